#include "seal/seal_window.h"

#include "crypto/crypto.h"
#include "platform/picture_info.h"
#include "seal/marks.h"
#include "seal/seal_placement.h"

namespace verolin::seal {
namespace {

namespace mb = platform::mb;
using automation::Variant;
using control::kCaptionInfo;

constexpr const char* kWindowCaption = "电子盖章";
constexpr const char* kNameLabel = "用户名称:";
constexpr const char* kPasswordLabel = "用户密码:";
constexpr const char* kPasswordChar = "*";
constexpr const char* kOkCaption = "确定";
constexpr const char* kThisCaption = "调用";
constexpr const char* kCancelCaption = "取消";

constexpr const char* kChooseOwner = "请选择一个用户！";
constexpr const char* kChooseOwnerCaption = "错误";
constexpr const char* kWrongPassword = "密码不正确！";
constexpr const char* kWrongPasswordCaption = "密码错误";
constexpr const char* kLoading = "正在下载并加载图片，请稍后....";
constexpr const char* kLoaded = "加载完成！";
constexpr const char* kLoadFailed = "下载解密盖章出错";
constexpr const char* kLoadFirst = "请'确定'按钮读出盖章数据.";
constexpr const char* kSealMissing = "找不到盖章.";

// Holds sealWindowBusy for one button action and clears it on every way out; `end` clears it early,
// where the action clears it before its message.
class ActionScope {
 public:
  explicit ActionScope(bool& busy) : busy_(busy) { busy_ = true; }
  ~ActionScope() { busy_ = false; }
  ActionScope(const ActionScope&) = delete;
  ActionScope& operator=(const ActionScope&) = delete;
  void end() { busy_ = false; }

 private:
  bool& busy_;
};

void removeQuietly(control::Control& c, const std::string& path) {
  try {
    if (!path.empty() && c.files().fileExists(path)) c.files().remove(path);
  } catch (const std::exception&) {
    // A picture that cannot be deleted now is overwritten by the next load of the same seal.
  }
}

}  // namespace

SealWindow::SealWindow()
    : Form("FrmMySign", kWindowCaption),
      lblname(add("lblname", "label")),
      comUserList(add("comUserList", "combo")),
      lblpassword(add("lblpassword", "label")),
      txtPassword(add("txtPassword", "text")),
      cmdok(add("cmdok", "button")),
      cmdthis(add("cmdthis", "button")),
      cmdcanel(add("cmdcanel", "button")),
      picshow(add("picshow", "picture")),
      lblmsg(add("lblmsg", "label")),
      compass(add("compass", "combo")),
      comPic(add("comPic", "combo")) {
  restoreDesign();
  cmdok.onClick = [this] { clickOk(); };
  cmdthis.onClick = [this] { clickThis(); };
  cmdcanel.onClick = [this] { clickCancel(); };
  onClose = [this] { unload(); };
}

void SealWindow::restoreDesign() {
  setCaption(kWindowCaption);
  for (platform::FormControl* combo : {&comUserList, &compass, &comPic}) combo->clearItems();
  lblname.set("Caption", kNameLabel);
  lblpassword.set("Caption", kPasswordLabel);
  txtPassword.set("Text", std::string());
  txtPassword.set("PasswordChar", kPasswordChar);
  cmdok.set("Caption", kOkCaption);
  cmdthis.set("Caption", kThisCaption);
  cmdcanel.set("Caption", kCancelCaption);
  lblmsg.set("Caption", std::string());
  picshow.set("Picture", std::string());
  picshow.set("PictureWidth", std::int32_t{0});
  picshow.set("PictureHeight", std::int32_t{0});
  for (platform::FormControl* shown :
       {&lblname, &comUserList, &lblpassword, &txtPassword, &cmdok, &cmdthis, &cmdcanel, &picshow, &lblmsg})
    shown->set("Visible", true);
  compass.set("Visible", false);
  comPic.set("Visible", false);
}

void SealWindow::load(control::Control& c) {
  control_ = &c;
  sealWindowBusy = false;
}

void SealWindow::unload() {
  if (control_) discardPicture();
  restoreDesign();
}

void SealWindow::discardPicture() {
  removeQuietly(*control_, sealPictureFile);
  sealPictureFile.clear();
  sealOwner.clear();
  picshow.set("Picture", std::string());
  picshow.set("PictureWidth", std::int32_t{0});
  picshow.set("PictureHeight", std::int32_t{0});
}

bool SealWindow::showPicture(const std::string& path) {
  std::optional<platform::PictureInfo> info;
  try {
    info = platform::ReadPictureInfo(control_->files().read(path));
  } catch (const std::exception&) {
    return false;
  }
  if (!info) return false;
  picshow.set("Picture", path);
  picshow.set("PictureWidth", std::int32_t{info->pixelWidth});
  picshow.set("PictureHeight", std::int32_t{info->pixelHeight});
  return true;
}

void SealWindow::clickOk() {
  if (sealWindowBusy || !control_) return;
  control::Control& c = *control_;
  ActionScope busy(sealWindowBusy);
  const int k = comUserList.get("ListIndex").toInt32();
  if (k < 0) {
    busy.end();
    c.message(kChooseOwner, mb::kInformation, kChooseOwnerCaption);
    return;
  }
  const auto index = static_cast<std::size_t>(k);
  // An owner the list gives no password for cannot be loaded, whatever is typed.
  const std::string& encoded = ItemAt(compass.items(), index);
  if (encoded.empty() || crypto::encodeSealPassword(txtPassword.get("Text").toString()) != encoded) {
    busy.end();
    c.message(kWrongPassword, mb::kInformation, kWrongPasswordCaption);
    return;
  }
  discardPicture();
  lblmsg.set("Caption", kLoading);
  c.pump();

  const std::string owner = ItemAt(comUserList.items(), index);
  const std::string path =
      FetchSealPicture(c, owner, ItemAt(comPic.items(), index), txtPassword.get("Text").toString());
  if (!isOpen()) {
    // Closed while the picture was on its way: it belongs to no showing any more.
    removeQuietly(c, path);
    return;
  }
  if (!path.empty() && showPicture(path)) {
    sealPictureFile = path;
    sealOwner = owner;
    c.pump();
    lblmsg.set("Caption", kLoaded);
    c.pump();
  } else {
    removeQuietly(c, path);
    c.message(kLoadFailed, mb::kInformation, kCaptionInfo);
  }
}

void SealWindow::clickThis() {
  if (sealWindowBusy || !control_) return;
  control::Control& c = *control_;
  ActionScope busy(sealWindowBusy);
  if (sealPictureFile.empty()) {
    c.message(kLoadFirst, mb::kInformation, kCaptionInfo);
    return;
  }
  if (!c.files().fileExists(sealPictureFile)) {
    c.message(kSealMissing, mb::kInformation, kCaptionInfo);
    return;
  }
  const std::string id = InsertSealPicture(c, sealPictureFile);
  // Nothing was inserted: a record without its picture could never be valid, so there is none.
  if (id.empty()) return;
  const std::string time = MarkTimeText(c);
  const std::string owner = sealOwner;

  auto& s = c.state();
  AppendItem(s.newSealNameList, owner, s.splitStr);
  AppendItem(s.newSealIdList, id, s.splitStr);
  AppendItem(s.newSealTimeList, time, s.splitStr);
  c.pump();
  AppendItem(s.sealNameList, owner, s.splitStr);
  AppendItem(s.sealIdList, id, s.splitStr);
  AppendItem(s.sealTimeList, time, s.splitStr);

  removeQuietly(c, sealPictureFile);
  c.pump();
  close();
}

void SealWindow::clickCancel() {
  if (control_ && !sealPictureFile.empty()) {
    discardPicture();
    control_->pump();
  }
  close();
}

}  // namespace verolin::seal
