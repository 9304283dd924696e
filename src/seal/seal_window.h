// The seal window FrmMySign, "电子盖章": the user picks a seal owner, types that owner's seal password,
// loads the owner's seal ("确定"), sees it in picshow and places it ("调用"), or leaves ("取消").
#pragma once

#include <string>

#include "control/control.h"
#include "platform/form.h"

namespace verolin::seal {

class SealWindow final : public platform::Form {
 public:
  SealWindow();

  // Form_Load: the window serves `c` for this showing and takes no action yet.
  void load(control::Control& c);

  platform::FormControl& lblname;
  platform::FormControl& comUserList;  // owner names
  platform::FormControl& lblpassword;
  platform::FormControl& txtPassword;  // password character "*"
  platform::FormControl& cmdok;        // "确定": load the chosen owner's seal
  platform::FormControl& cmdthis;      // "调用": place the loaded seal
  platform::FormControl& cmdcanel;     // "取消"
  platform::FormControl& picshow;      // "Picture" (path), "PictureWidth", "PictureHeight" (pixels)
  platform::FormControl& lblmsg;
  platform::FormControl& compass;  // hidden: encoded passwords, parallel to comUserList
  platform::FormControl& comPic;   // hidden: picture file names, parallel to comUserList

  // The decrypted seal picture loaded in this showing, and whose it is; "" when none. The picture is
  // deleted and forgotten when the window closes in any way and when another seal is loaded, so a
  // seal is only ever placed after its owner's password was checked in the same showing.
  std::string sealPictureFile;
  std::string sealOwner;
  // A "确定" or "调用" action is under way; further clicks on either are ignored meanwhile.
  bool sealWindowBusy = false;

  void clickOk();
  void clickThis();
  void clickCancel();

 private:
  void restoreDesign();
  void unload();
  // Deletes the loaded picture (if still there), forgets it and clears the preview.
  void discardPicture();
  // Shows the picture at `path` in picshow; false when the preview cannot load it.
  bool showPicture(const std::string& path);

  control::Control* control_ = nullptr;
};

}  // namespace verolin::seal
