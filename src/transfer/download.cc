// Document download: fetch the container, decrypt it into the working folder, load the server's
// mark lists, open the document.
#include <memory>

#include "automation/error.h"
#include "control/word_host.h"
#include "crypto/container_receiver.h"
#include "crypto/crypto.h"
#include "crypto/file_cipher.h"
#include "text/utf8.h"
#include "transfer/exchange.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"
#include "transfer/transfer.h"

namespace verolin::transfer {
namespace {

using automation::Variant;
namespace mb = platform::mb;
using control::kCaptionInfo;

constexpr const char* kDownloading = "正在下载文件请稍后..";
constexpr const char* kDownloadFailedStatus = "正在下载文件失败..";
constexpr const char* kFetchFailed = "从服务器中获取文件失败!";
constexpr const char* kNoServerName = "缺少要下载的文件名.";
constexpr const char* kUrlFetchFailed = "下载文件失败,可能文件不存在.";
constexpr const char* kFileToOpenMissing = "要打开的文件不存在.";

void removeIfExists(control::Control& c, const std::string& path) {
  if (c.files().fileExists(path)) c.files().remove(path);
}

// The GET of a container, decrypted as it arrives into the folder of `container` (a Windows-style
// path: where the container would have been stored), so that the document is written once and never
// read back. False when the answer was not a successful one; nothing is then left behind.
bool receiveContainer(control::Control& c, const std::string& url, const std::string& container,
                      crypto::ContainerReceiver& receiver, std::string& versionTag) {
  Exchange exchange(c, "GET", url);
  if (!exchange.receiveWith([&receiver](const char* data, std::size_t size) { receiver.write(data, size); }))
    return false;
  versionTag = exchange.request().getResponseHeader(kVersionHeader);
  // A file of the container's name is what an earlier download of the same name left; this one
  // replaces it as a stored container would have.
  const std::string name = platform::fileNameOf(container);
  if (text::toLowerAscii(receiver.plainFileName()) != text::toLowerAscii(name)) removeIfExists(c, container);
  return true;
}

std::unique_ptr<crypto::ContainerReceiver> receiverFor(control::Control& c, const std::string& container) {
  return std::make_unique<crypto::ContainerReceiver>(c.files().nativePath(container).parent_path(),
                                                     platform::fileNameOf(container));
}

}  // namespace

std::string FetchByRequest(control::Control& c, const std::string& url, const std::string& name,
                           std::string& versionTag) {
  auto& s = c.state();
  // The name comes from the server path; it must not lead out of the working folder.
  if (!IsPlainFileName(name)) return {};
  const std::string downloaded = s.tempDir + name;
  const auto receiver = receiverFor(c, downloaded);
  if (!receiveContainer(c, url, downloaded, *receiver, versionTag)) return {};
  c.pump();
  Variant isSave(false), bDel(false);
  control::QuitWord(c, isSave, bDel);

  crypto::CipherState cipher;
  const bool ok = crypto::DecryptReceived(cipher, c.platform(), *receiver, downloaded);
  c.pump();
  return ok ? cipher.plainFile : std::string();
}

std::string FetchByUrl(control::Control& c, const std::string& url, std::string& versionTag) {
  std::string container;
  try {
    const std::string stamp = c.state().tempDir + TimeStampName(c);
    const std::string container = stamp + "." + std::string(crypto::kContainerExtension);
    const auto receiver = receiverFor(c, container);
    if (!receiveContainer(c, url, container, *receiver, versionTag)) return {};
    c.pump();
    crypto::CipherState cipher;
    const bool ok = crypto::DecryptReceived(cipher, c.platform(), *receiver, container);
    c.pump();
    if (ok) return cipher.plainFile;
    // The name the document would have had; the caller finds no file there and says so. An older
    // file of that name is not this download's document.
    const std::string expected = stamp + ".doc";
    return c.files().fileExists(expected) ? std::string() : expected;
  } catch (const std::exception&) {
    ShowRequestError(c);
    try {
      if (!container.empty()) removeIfExists(c, container);
    } catch (const std::exception&) {
      // A container that cannot go now is replaced by the next download at the same second.
    }
    return {};
  }
}

void FetchSignatureLists(control::Control& c, const std::string& name) {
  auto& s = c.state();
  FetchListAnswer(c, SignatureListUrl(s, name), {&s.signNameList, &s.signIdList, &s.signTimeList});
  FetchSealLists(c, name);
}

void FetchSealLists(control::Control& c, const std::string& name) {
  auto& s = c.state();
  FetchListAnswer(c, SealListUrl(s, name), {&s.sealNameList, &s.sealIdList, &s.sealTimeList});
}

std::string DownloadDocument(control::Control& c, const std::string& mode, const std::string& form,
                             const std::string& serverPath) {
  auto& s = c.state();
  auto refuse = [&c](const char* text) {
    c.message(text, mb::kInformation, kCaptionInfo);
    return std::string();
  };
  if (s.isBusy) return refuse(control::kBusyRefusal);
  if (const std::string refusal = TakeTransferInputs(s, mode, form, serverPath, kNoServerName);
      !refusal.empty())
    return refuse(refusal.c_str());

  control::BusyScope busy(s);
  std::string path;
  std::string versionTag;
  if (s.getSetType != "0") {
    const std::string name = LastPathSegment(s.serverFilePath);
    path = FetchByRequest(c, DownloadUrl(s, name), name, versionTag);
    if (path.empty()) return {};
  } else {
    path = FetchByUrl(c, s.serverFilePath, versionTag);
    if (path.empty()) return refuse(kUrlFetchFailed);
    if (!c.files().fileExists(path)) return refuse(kFileToOpenMissing);
  }
  s.clearMarkLists();
  s.localFile = path;
  s.versionTag = versionTag;
  s.versionTagFile = path;
  FetchSignatureLists(c, LastPathSegment(s.serverFilePath));
  return path;
}

Variant DownFileFromServer(control::Control& c, const std::string& mode, const std::string& form,
                           const std::string& serverPath, Variant& userName, Variant& userInitials,
                           Variant& userDemo) {
  c.showMessage(kDownloading, true);
  c.pump();
  const std::string path = DownloadDocument(c, mode, form, serverPath);
  if (!path.empty()) {
    control::OpenWord(c, path, userName, userInitials, userDemo);
  } else {
    c.message(kFetchFailed, mb::kInformation, kCaptionInfo);
    c.showMessage(kDownloadFailedStatus, true);
  }
  return Variant();
}

}  // namespace verolin::transfer
