// The control-wide state: one set per browser thread, shared by every control on that thread and
// outliving any one of them. Every routine of every subsystem reads and writes it by these names.
#pragma once

#include <cstdint>
#include <string>

#include "automation/variant.h"
#include "platform/windows.h"

namespace verolin::control {

struct ChildControl;

struct ControlState {
  automation::Variant wordApp;  // the word processor's Application; Empty while it is not started
  std::string wordVersion;
  bool isBusy = false;
  std::string localFile;
  // The working copy saved for an upload that the server has not confirmed: kept at release, so the
  // user's edits outlive a failed upload.
  std::string unconfirmedFile;
  // The server's tag (ETag) of the version last downloaded, and the working copy it came into. The
  // upload of that working copy names it (If-Match), so that a server can keep an upload based on a
  // version someone else has replaced as a copy instead of overwriting theirs. Empty when the server
  // sent none.
  std::string versionTag;
  std::string versionTagFile;
  std::string serverFilePath;
  std::string activeForm;
  std::string getSetType = "1";
  platform::WindowHandle wordWindowHandle = 0;
  bool docOpen = false;
  ChildControl* zoomPic = nullptr;  // piczoom of the control that initialised last
  std::string tempDir = "c:\\temp\\";
  std::int16_t wordWindowIndex = 0;
  std::string wordWindowCaption;
  std::string splitStr = "\xC2\xA7";  // "§"
  std::string linkStr = "\xC7\x90";   // "ǐ"
  // The RequestType of the seal picture request, from the last filling of the seal window.
  std::string sealPictureRequestType;
  // The last pen position in the handwriting box, in its scale units.
  std::int32_t penLastX = 0;
  std::int32_t penLastY = 0;

  // All seals and signatures known for the open document, and those placed since the last transfer.
  std::string sealNameList, sealIdList, sealTimeList;
  std::string signNameList, signIdList, signTimeList;
  std::string newSealNameList, newSealIdList, newSealTimeList;
  std::string newSignNameList, newSignIdList, newSignTimeList;

  bool wordStarted() const { return !wordApp.isEmpty(); }
  // Empties all twelve mark lists.
  void clearMarkLists();
};

}  // namespace verolin::control
