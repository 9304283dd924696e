// Hosting the word processor: starting, embedding, fitting, opening, creating, closing and quitting.
// The routines keep the names of the control's design; each takes the control it works for.
#pragma once

#include <string>

#include "automation/variant.h"
#include "control/control.h"

namespace verolin::control {

// Starting, embedding and quitting.
bool StartWord(Control& c);
void AttachWordWindow(Control& c);
void EmbedWordWindow(Control& c, platform::WindowHandle parent, const automation::Variant& child);
void DestroyWordWindow(Control& c);
// isSave and bDel are by reference: the caller's isSave reads false afterwards.
bool QuitWord(Control& c, automation::Variant& isSave, automation::Variant& bDel);
void WordClose(Control& c, automation::Variant& isSave, automation::Variant& bDel);

// Closing and fitting.
automation::Variant CloseObject(Control& c, automation::Variant& save);
void CloseDocument(Control& c, automation::Variant& save);
void SetWordStyleTemp(Control& c);
void SetWordDisplayStyle(Control& c);
void SetBrowserSyncMode(Control& c);
bool OpenRegKey(Control& c, const std::string& subKey, platform::RegistryKey& key);
bool SetRegDword(Control& c, platform::RegistryKey key, const std::string& name, std::uint32_t value);

// Opening and creating.
void OpenWord(Control& c, const std::string& fileName, automation::Variant& userName,
              automation::Variant& userInitials, automation::Variant& userDemo);
void AddNewDocument(Control& c, automation::Variant& fileName, automation::Variant& userName,
                    automation::Variant& userInitials, automation::Variant& userDemo);
bool CanOpenFile(Control& c, const std::string& path);
void SaveLocalCopy(Control& c, std::string& path);
void SetupCommandBars(Control& c);

// The working-copy name for the local time: year, month, day, hour, second, minute, unpadded, ".doc";
// when that name is taken in `folder`, a short suffix keeps copies made within one second apart.
std::string WorkingCopyName(Control& c, const std::string& folder);

}  // namespace verolin::control
