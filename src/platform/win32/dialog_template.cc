#include "platform/win32/dialog_template.h"

namespace verolin::platform::win32 {
namespace {

// The predefined window classes of dialog items, as their ordinals.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;

// DLGTEMPLATE's item count sits in its fifth word.
constexpr std::size_t kCountWord = 4;

}  // namespace

DialogTemplate::DialogTemplate(std::wstring_view caption, short width, short height) {
  const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  words_.push_back(LOWORD(style));
  words_.push_back(HIWORD(style));
  words_.push_back(0);  // extended style
  words_.push_back(0);
  words_.push_back(0);  // item count, filled in as items are added
  words_.push_back(0);  // x
  words_.push_back(0);  // y
  words_.push_back(static_cast<WORD>(width));
  words_.push_back(static_cast<WORD>(height));
  words_.push_back(0);  // no menu
  words_.push_back(0);  // the standard dialog class
  addText(caption);
  words_.push_back(9);  // point size of the font that DS_SETFONT names
  addText(L"MS Shell Dlg");
}

void DialogTemplate::addText(std::wstring_view text) {
  for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
  words_.push_back(0);
}

void DialogTemplate::alignToDword() {
  if (words_.size() % 2 != 0) words_.push_back(0);
}

void DialogTemplate::addItem(DWORD style, WORD windowClass, int id, std::wstring_view text, short x, short y,
                             short cx, short cy) {
  alignToDword();
  style |= WS_CHILD | WS_VISIBLE;
  words_.push_back(LOWORD(style));
  words_.push_back(HIWORD(style));
  words_.push_back(0);  // extended style
  words_.push_back(0);
  words_.push_back(static_cast<WORD>(x));
  words_.push_back(static_cast<WORD>(y));
  words_.push_back(static_cast<WORD>(cx));
  words_.push_back(static_cast<WORD>(cy));
  words_.push_back(static_cast<WORD>(id));
  words_.push_back(0xFFFF);
  words_.push_back(windowClass);
  addText(text);
  words_.push_back(0);  // no creation data
  words_[kCountWord] = ++items_;
}

void DialogTemplate::addStatic(int id, std::wstring_view text, short x, short y, short cx, short cy) {
  addItem(SS_LEFT, kStatic, id, text, x, y, cx, cy);
}

void DialogTemplate::addEdit(int id, std::wstring_view text, short x, short y, short cx, short cy) {
  addItem(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kEdit, id, text, x, y, cx, cy);
}

void DialogTemplate::addButton(int id, std::wstring_view text, short x, short y, short cx, short cy,
                               bool isDefault) {
  addItem((isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, kButton, id, text, x, y, cx, cy);
}

HINSTANCE thisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
  return module;
}

}  // namespace verolin::platform::win32
