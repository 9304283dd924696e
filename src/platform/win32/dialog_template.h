// Dialog templates built in memory, so that the control's boxes need no resource script: a caption,
// then items (static texts, edit boxes, buttons) in dialog units.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace verolin::platform::win32 {

class DialogTemplate {
 public:
  // A modal frame of `width` x `height` dialog units, in the system's dialog font.
  DialogTemplate(std::wstring_view caption, short width, short height);

  void addStatic(int id, std::wstring_view text, short x, short y, short cx, short cy);
  void addEdit(int id, std::wstring_view text, short x, short y, short cx, short cy);
  void addButton(int id, std::wstring_view text, short x, short y, short cx, short cy, bool isDefault);

  // The finished template, valid while this object lives and is not changed.
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void addItem(DWORD style, WORD windowClass, int id, std::wstring_view text, short x, short y, short cx,
               short cy);
  void addText(std::wstring_view text);
  void alignToDword();

  std::vector<WORD> words_;
  WORD items_ = 0;
};

// The module this code lives in (the control's DLL or a test program), to own windows and dialogs.
HINSTANCE thisModule();

}  // namespace verolin::platform::win32
