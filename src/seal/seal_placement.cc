#include "seal/seal_placement.h"

#include <optional>

#include "automation/error.h"
#include "crypto/container_format.h"
#include "crypto/container_names.h"
#include "crypto/crypto.h"
#include "crypto/file_cipher.h"
#include "platform/files.h"
#include "seal/marks.h"
#include "seal/modal_window.h"
#include "seal/seal_window.h"
#include "text/utf8.h"
#include "transfer/exchange.h"
#include "transfer/list_answer.h"
#include "transfer/local_names.h"
#include "transfer/protocol.h"

namespace verolin::seal {
namespace {

namespace mb = platform::mb;
using automation::Variant;
using control::kCaptionInfo;

constexpr const char* kNoDocument = "请建立一篇文档或下载一篇文档";
constexpr const char* kNoSealData = "没有盖章数据.";
constexpr const char* kNoPicture = "没有图片可以插入.";
constexpr const char* kNoWord = "没有找到WORD对象";
constexpr const char* kErrorCaption = "错误";
constexpr std::int32_t kFormAlreadyShown = 400;
constexpr std::int16_t kPrintLayout = 3;

bool sameFile(std::string_view a, std::string_view b) {
  return !a.empty() && text::toLowerAscii(a) == text::toLowerAscii(b);
}

// The plain file the decryption of `container` would write, from the extension in its header;
// nullopt when the header cannot be read (the decryption then fails on its own).
std::optional<std::string> plainFileOf(control::Control& c, const std::string& container) {
  try {
    auto in = c.files().openRead(container);
    std::string header(crypto::kHeaderSize, '\0');
    in->read(header.data(), static_cast<std::streamsize>(header.size()));
    header.resize(static_cast<std::size_t>(in->gcount()));
    if (header.size() < crypto::kHeaderSize || !crypto::isContainer(header)) return std::nullopt;
    const std::string extension =
        crypto::storedExtension(std::string_view(header).substr(crypto::kExtensionFieldOffset));
    const std::string folder = container.substr(0, container.size() - platform::fileNameOf(container).size());
    return folder + crypto::plainName(platform::fileNameOf(container), extension);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

void removeIfExists(control::Control& c, const std::string& path) {
  try {
    if (c.files().fileExists(path)) c.files().remove(path);
  } catch (const std::exception&) {
    // The next download of the same picture replaces it.
  }
}

}  // namespace

Variant ElectronSeal(control::Control& c, const std::string& opType, const Variant& opGetpicdata) {
  if (!c.documentGuard(kNoDocument, kCaptionInfo)) return Variant();
  ShowSealChooser(c, opType, opGetpicdata);
  return Variant();
}

std::int16_t ShowSealChooser(control::Control& c, const std::string& opType, const Variant& opGetpicdata) {
  auto& s = c.state();
  const auto answer =
      transfer::ParseListAnswer(transfer::GetServerText(c, transfer::SealOwnerListUrl(s, opType)));
  if (!answer) {
    c.message(kNoSealData, mb::kInformation, kCaptionInfo);
    return 0;
  }
  s.linkStr = answer->linkStr;
  s.splitStr = answer->splitStr;
  const auto owners = SplitList(ItemAt(answer->groups, 0), s.splitStr);
  const auto passwords = SplitList(ItemAt(answer->groups, 1), s.splitStr);
  const auto pictures = SplitList(ItemAt(answer->groups, 2), s.splitStr);

  auto& window = c.apartment().instance<SealWindow>();
  if (window.isOpen())
    throw automation::AutomationError(kFormAlreadyShown, "Form already displayed; can't show modally",
                                      "FrmMySign");
  window.load(c);
  window.comUserList.clearItems();
  window.compass.clearItems();
  window.comPic.clearItems();
  // The last element, empty for a well-formed list, is no owner.
  for (std::size_t k = 0; k + 1 < owners.size(); ++k) {
    window.comUserList.addItem(owners[k]);
    window.compass.addItem(ItemAt(passwords, k));
    window.comPic.addItem(ItemAt(pictures, k));
  }
  s.sealPictureRequestType = opGetpicdata.toString();
  ShowModalWindow(c, window);
  return 0;
}

std::string FetchSealPicture(control::Control& c, const std::string& owner, const std::string& file,
                             const std::string& password) {
  auto& s = c.state();
  const std::string container = s.tempDir + file;
  // The name comes from the server; it must not lead out of the working folder nor name the document.
  if (!transfer::IsPlainFileName(file) || sameFile(container, s.localFile)) return {};
  try {
    transfer::Exchange exchange(c, "GET", transfer::SealPictureUrl(s, s.sealPictureRequestType, owner, file));
    if (!exchange.receiveFile(container)) return {};
  } catch (const std::exception&) {
    transfer::ShowRequestError(c);
    return {};
  }
  c.pump();
  std::string result;
  const auto plain = plainFileOf(c, container);
  if (plain && !sameFile(*plain, s.localFile)) {
    try {
      crypto::CipherState cipher;
      result = crypto::DecryptWithPassword(cipher, c.platform(), container, password);
    } catch (const std::exception&) {
      result.clear();  // a password the key cannot be derived from, a container without body
    }
  }
  c.pump();
  removeIfExists(c, container);
  c.pump();
  return result;
}

std::string InsertSealPicture(control::Control& c, const std::string& path) {
  if (!c.files().fileExists(path)) {
    c.message(kNoPicture, mb::kInformation, kErrorCaption);
    return {};
  }
  auto& s = c.state();
  if (!s.wordStarted()) {
    c.message(kNoWord, mb::kInformation, kErrorCaption);
    return {};
  }
  const Variant window = s.wordApp.get("ActiveWindow");
  if (window.get("View").get("SplitSpecial").toInt32() == 0) {
    window.get("ActivePane").get("View").put("Type", kPrintLayout);
  } else {
    window.get("View").put("Type", kPrintLayout);
  }
  const Variant shape = s.wordApp.get("ActiveDocument").get("Shapes").call("AddPicture", path);
  ApplyMarkPictureFormat(shape);
  const std::string name = shape.get("Name").toString();
  const std::string id = MarkIdOf(name);
  PlaceMarkInFront(s.wordApp, name);
  return id;
}

}  // namespace verolin::seal
