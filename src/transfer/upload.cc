// Document upload: save in the word processor, post the container enciphered as it goes out with the
// new marks, then close down.
#include <memory>
#include <optional>

#include "automation/error.h"
#include "control/word_host.h"
#include "crypto/container_source.h"
#include "crypto/file_cipher.h"
#include "transfer/exchange.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"
#include "transfer/transfer.h"

namespace verolin::transfer {
namespace {

using automation::Variant;
namespace mb = platform::mb;
using control::kCaptionInfo;

constexpr const char* kUploading = "正在上传文件请稍后..";
constexpr const char* kUploadDone = "上传文件完成.";
constexpr const char* kUploadFailed = "上传文件失败.";
constexpr const char* kSavedToServer = "保存数据到服务器完成!";
constexpr const char* kSaveToServerFailed = "保存数据到服务器失败!";
constexpr const char* kOpenDocumentFirst = "请先打开一篇文档或打开一篇文档.";
constexpr const char* kNoLocalFile = "没有找到本地文件.";
constexpr const char* kNoServerName = "缺少要保存的文件名.";
constexpr const char* kLocalFileMissing = "找不到要上传的本地文件";
// Followed by the name of the copy the server kept.
constexpr const char* kServerVersionChanged =
    "服务器上的文件在您下载之后已被他人修改,您的版本没有覆盖它,已作为副本保存在服务器上:";

// Deletes the container that this upload wrote, on every way out once it exists.
class ContainerCleanup {
 public:
  explicit ContainerCleanup(control::Control& c) : c_(c) {}
  ~ContainerCleanup() {
    if (path_.empty()) return;
    try {
      if (c_.files().fileExists(path_)) {
        c_.files().remove(path_);
        c_.pump();
      }
    } catch (const std::exception&) {
      // A container left behind holds nothing the next upload does not replace.
    }
  }
  ContainerCleanup(const ContainerCleanup&) = delete;
  ContainerCleanup& operator=(const ContainerCleanup&) = delete;

  void own(std::string path) { path_ = std::move(path); }

 private:
  control::Control& c_;
  std::string path_;
};

// The container of the working copy as the request object takes it.
class ContainerBody final : public platform::BodySource {
 public:
  explicit ContainerBody(crypto::ContainerSource& source) : source_(source) {}
  std::uint64_t size() const override { return source_.size(); }
  std::size_t read(char* buffer, std::size_t capacity) override { return source_.read(buffer, capacity); }
  void rewind() override { source_.rewind(); }

 private:
  crypto::ContainerSource& source_;
};

// Steps 2 to 15: validation, save, encrypt, post, close down.
std::string uploadSteps(control::Control& c, const std::string& fileDir, const std::string& mode,
                        const std::string& form, const std::string& serverPath, bool quit) {
  auto& s = c.state();
  auto refuse = [&c](const char* text) {
    c.message(text, mb::kInformation, kCaptionInfo);
    return std::string();
  };
  if (s.isBusy) return refuse(control::kBusyRefusal);
  if (s.localFile.empty()) return refuse(kNoLocalFile);
  if (const std::string refusal = TakeTransferInputs(s, mode, form, serverPath, kNoServerName);
      !refusal.empty())
    return refuse(refusal.c_str());

  control::BusyScope busy(s);
  s.wordApp.get("ActiveDocument").call("Save");
  // From here the working copy holds edits only the server can confirm.
  s.unconfirmedFile = s.localFile;
  c.pump();
  if (!c.files().fileExists(s.localFile)) return refuse(kLocalFileMissing);

  ContainerCleanup cleanup(c);
  crypto::CipherState cipher;
  std::string container;
  const std::unique_ptr<crypto::ContainerSource> source =
      crypto::OpenForTransfer(cipher, c.platform(), s.localFile, container);
  // The container must never be the document itself, which a successful upload deletes anyway.
  if (!source || container == s.localFile) return {};
  // The container is enciphered as it is sent and never stored; a file of its name (an earlier run's)
  // goes all the same, as the stored container always went.
  cleanup.own(container);

  const std::string name = LastPathSegment(s.serverFilePath);
  const std::string query = UploadQuery(s, UploadPathValue(s.getSetType, fileDir, name));
  // Only the working copy that the download wrote is based on the version the server named.
  const std::string basedOn = s.versionTagFile == s.localFile ? s.versionTag : std::string();
  ContainerBody body(*source);
  PostAnswer answer;
  try {
    answer = PostDocument(c, s.activeForm, query, body, basedOn);
  } catch (const crypto::CipherError& e) {
    // The working copy could not be read to the end: told as a failed encryption always was.
    crypto::ReportTransferEncryptionFailure(c.platform(), e);
    return {};
  }
  if (!answer.ok) {
    // Someone stored a newer version meanwhile; the server kept this one beside it. The document,
    // its working copy and the mark lists stay as after any failed upload.
    if (!answer.conflictCopy.empty())
      c.message(kServerVersionChanged + answer.conflictCopy, mb::kExclamation, kCaptionInfo);
    return {};
  }
  s.unconfirmedFile.clear();
  // The next upload of this working copy is based on the version just stored.
  s.versionTag = answer.versionTag;
  s.versionTagFile = answer.versionTag.empty() ? std::string() : s.localFile;
  if (!quit) return "1";

  Variant isSave(false), bDel(false);
  control::QuitWord(c, isSave, bDel);
  s.clearMarkLists();
  try {
    if (c.files().fileExists(s.localFile)) c.files().remove(s.localFile);
  } catch (const std::exception&) {
    // The upload succeeded; a local copy that cannot be deleted now is not reported.
  }
  s.localFile.clear();
  s.versionTag.clear();
  s.versionTagFile.clear();
  return "1";
}

}  // namespace

std::string UploadDocument(control::Control& c, const std::string& fileDir, const std::string& mode,
                           const std::string& form, const std::string& serverPath, bool quit) {
  auto& s = c.state();
  if (s.docOpen) return uploadSteps(c, fileDir, mode, form, serverPath, quit);

  // Adopting the word processor's active document; from here on its errors end the upload quietly.
  try {
    if (s.wordApp.get("Documents").get("Count").toInt32() <= 0) {
      c.message(kOpenDocumentFirst, mb::kInformation, kCaptionInfo);
      return {};
    }
    Variant document = s.wordApp.get("ActiveDocument");
    if (document.get("FullName").toString().find('\\') == std::string::npos) {
      document.call("SaveAs", s.tempDir + TimeStampName(c) + ".doc");
    }
    s.localFile = s.wordApp.get("ActiveDocument").get("FullName").toString();
    s.docOpen = true;
    return uploadSteps(c, fileDir, mode, form, serverPath, quit);
  } catch (const std::exception&) {
    c.message(kOpenDocumentFirst, mb::kInformation, kCaptionInfo);
    return {};
  }
}

void UploadFileToServer(control::Control& c, const std::string& fileDir, const std::string& mode,
                        const std::string& form, const std::string& serverPath, bool showMessbox) {
  auto& s = c.state();
  {
    // The page may call in while the status shows; until the document is saved, a call that closed,
    // replaced or sent it would lose the edits or send another document under this name.
    std::optional<control::BusyScope> busy;
    if (!s.isBusy) busy.emplace(s);
    c.showMessage(kUploading, true);
    c.pump();
  }
  const std::string result = UploadDocument(c, fileDir, mode, form, serverPath, true);
  if (!showMessbox) return;
  if (!result.empty()) {
    s.docOpen = false;
    s.localFile.clear();
    c.showMessage(kUploadDone, false);
    c.message(kSavedToServer, mb::kInformation, kCaptionInfo);
  } else {
    c.showMessage(kUploadFailed, false);
    c.message(kSaveToServerFailed, mb::kExclamation, kCaptionInfo);
  }
}

}  // namespace verolin::transfer
