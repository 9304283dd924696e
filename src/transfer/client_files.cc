// Files that are not the edited document: a client file posted in clear, a picture fetched from a URL
// and inserted at the selection.
#include "automation/error.h"
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

constexpr const char* kUploading = "正在上传文件请稍后..";
constexpr const char* kUploadFinished = "上传文件完毕!";
constexpr const char* kPictureMissing = "找不到指定插入的图片.";
// The picture keeps the last characters of its URL as the end of its local name (".jpg").
constexpr std::size_t kPictureSuffixChars = 4;

}  // namespace

std::string PostClientFile(control::Control& c, const std::string& clientPath,
                           const std::string& serverPath) {
  if (!c.files().fileExists(clientPath)) return {};
  const bool ok = PostFile(c, c.state().activeForm, ClientUploadQuery(clientPath, serverPath), clientPath);
  return ok ? serverPath : std::string();
}

Variant UploadClientFileToServer(control::Control& c, const std::string& clientPath,
                                 const std::string& serverPath) {
  c.showMessage(kUploading, true);
  c.pump();
  const std::string result = PostClientFile(c, clientPath, serverPath);
  c.showMessage(kUploadFinished, false);
  return Variant(result);
}

std::string FetchNetPicture(control::Control& c, const std::string& url) {
  try {
    const std::string stamp = TimeStampName(c);
    Exchange exchange(c, "GET", url);
    // The end of the URL names a file in the working folder; it may not lead anywhere else.
    const std::string suffix = text::right(url, kPictureSuffixChars);
    if (text::length(url) < kPictureSuffixChars || !IsPlainFileName(stamp + suffix)) {
      throw automation::errorOf(automation::err::kBadFileName, "HttpRequest");
    }
    const std::string path = c.state().tempDir + stamp + suffix;
    if (!exchange.receiveFile(path)) return {};
    c.pump();
    return path;
  } catch (const std::exception&) {
    ShowRequestError(c);
    return {};
  }
}

bool GetNetPicture(control::Control& c, const std::string& url) {
  std::string path;
  try {
    path = FetchNetPicture(c, url);
    if (!path.empty() && c.files().fileExists(path)) {
      InsertPicture(c, path);
      c.pump();
      c.files().remove(path);
      c.pump();
    }
    return true;
  } catch (const std::exception&) {
    // The fetched file is this routine's own; it goes even when the insertion failed.
    try {
      if (!path.empty() && c.files().fileExists(path)) c.files().remove(path);
    } catch (const std::exception&) {
    }
    return false;
  }
}

void InsertPicture(control::Control& c, const std::string& pictureName) {
  const bool found = c.files().fileExists(pictureName);
  if (!found || pictureName.empty()) {
    c.message(kPictureMissing, mb::kInformation, kCaptionInfo);
    return;
  }
  auto& s = c.state();
  if (!s.wordStarted()) return;
  s.wordApp.get("Selection").get("InlineShapes").call("AddPicture", pictureName);
}

}  // namespace verolin::transfer
