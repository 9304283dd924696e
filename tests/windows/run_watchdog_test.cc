// The watchdog answers real modal windows on the test's own thread under the null graphics driver: a
// message box with the handler's button, an input box with the handler's text, a form closed after its
// handler ran, each traced as the stand-in host traces it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "com/dialog_watchdog.h"

namespace verolin::com {
namespace {

class Watchdog : public ::testing::Test {
 protected:
  Watchdog() {
    dog_.onTrace = [this](std::string_view category, std::string_view line) {
      traces_.push_back(std::string(category) + " " + std::string(line));
    };
  }

  DialogWatchdog dog_{20'000};
  std::vector<std::string> traces_;
};

TEST_F(Watchdog, MessageBoxGetsTheHandlersButtonAndIsTraced) {
  std::string seen;
  script::UserAnswers answers;
  answers.messageBox = [&](const std::string& text, int style, const std::string& caption) {
    seen = caption + "|" + std::to_string(style) + "|" + text;
    return IDNO;
  };
  dog_.answerWith(answers);
  EXPECT_EQ(
      MessageBoxW(nullptr, wide("是否保存？").c_str(), wide("提示").c_str(), MB_YESNO | MB_ICONQUESTION),
      IDNO);
  EXPECT_EQ(seen, "提示|36|是否保存？");
  ASSERT_EQ(traces_.size(), 1u);
  EXPECT_EQ(traces_[0], "msgbox 提示|36|是否保存？ -> 7");
}

TEST_F(Watchdog, MessageBoxWithoutHandlerGetsItsFirstButton) {
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", MB_OKCANCEL | MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, L"plain", L"", MB_OK), IDOK);
  ASSERT_EQ(traces_.size(), 2u);
  EXPECT_EQ(traces_[0], "msgbox caption|65|text -> 1");
  EXPECT_EQ(traces_[1], "msgbox |0|plain -> 1");
}

TEST_F(Watchdog, FailingHandlerLeavesTheBoxWithItsFirstButton) {
  script::UserAnswers answers;
  answers.messageBox = [](const std::string&, int, const std::string&) -> int {
    throw std::runtime_error("no");
  };
  dog_.answerWith(answers);
  EXPECT_EQ(MessageBoxW(nullptr, L"text", L"caption", MB_YESNO), IDYES);
}

// An input box as the platform shows one: a dialog with its prompt, an edit box holding the default
// text, OK and Cancel. The dialog returns what the edit box held at OK, or "<cancel>".
struct InputResult {
  std::wstring text;
  bool ok = false;
};

INT_PTR CALLBACK inputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    auto* result = reinterpret_cast<InputResult*>(GetWindowLongPtrW(dialog, DWLP_USER));
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, 100, text, 256);
    result->text = text;
    result->ok = LOWORD(wparam) == IDOK;
    EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

// An in-memory dialog template: the caption, then one item per control.
class Template {
 public:
  explicit Template(const wchar_t* caption) {
    DLGTEMPLATE t{};
    t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    t.cx = 200;
    t.cy = 80;
    put(&t, sizeof t);
    word(0);  // no menu
    word(0);  // the default class
    text(caption);
  }
  void add(WORD atomClass, const wchar_t* label, WORD id, DWORD style, short y) {
    align();
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = 10;
    item.y = y;
    item.cx = 150;
    item.cy = 14;
    item.id = id;
    put(&item, sizeof item);
    word(0xFFFF);
    word(atomClass);
    text(label);
    word(0);  // no creation data
    ++reinterpret_cast<DLGTEMPLATE*>(bytes_.data())->cdit;
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

 private:
  void put(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    bytes_.insert(bytes_.end(), b, b + n);
  }
  void word(WORD w) { put(&w, sizeof w); }
  void text(const wchar_t* s) { put(s, (wcslen(s) + 1) * sizeof(wchar_t)); }
  void align() {
    while (bytes_.size() % 4) bytes_.push_back(0);
  }
  std::vector<std::uint8_t> bytes_;
};

InputResult showInputBox(const std::wstring& prompt, const std::wstring& title,
                         const std::wstring& defaultText) {
  Template t(title.c_str());
  t.add(0x0082, prompt.c_str(), 101, SS_LEFT, 5);               // static
  t.add(0x0081, defaultText.c_str(), 100, ES_AUTOHSCROLL, 25);  // edit
  t.add(0x0080, L"确定", IDOK, BS_DEFPUSHBUTTON, 45);           // button
  t.add(0x0080, L"取消", IDCANCEL, BS_PUSHBUTTON, 62);          // button
  InputResult result;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr, inputProc,
                          reinterpret_cast<LPARAM>(&result));
  return result;
}

TEST_F(Watchdog, InputBoxIsFilledWithTheHandlersText) {
  std::string seen;
  script::UserAnswers answers;
  answers.inputBox = [&](const std::string& prompt, const std::string& title,
                         const std::string& def) -> std::optional<std::string> {
    seen = prompt + "|" + title + "|" + def;
    return "王五";
  };
  dog_.answerWith(answers);
  const InputResult result = showInputBox(wide("请输入签名人姓名"), wide("手写签名"), L"Administrator");
  EXPECT_TRUE(result.ok);
  EXPECT_EQ(narrow(result.text), "王五");
  EXPECT_EQ(seen, "请输入签名人姓名|手写签名|Administrator");
  ASSERT_EQ(traces_.size(), 1u);
  EXPECT_EQ(traces_[0], "inputbox 手写签名|请输入签名人姓名|Administrator -> \"王五\"");
}

TEST_F(Watchdog, InputBoxWithoutHandlerIsCancelled) {
  const InputResult result = showInputBox(L"prompt", L"title", L"default");
  EXPECT_FALSE(result.ok);
  ASSERT_EQ(traces_.size(), 1u);
  EXPECT_EQ(traces_[0], "inputbox title|prompt|default -> Cancel");
}

// A form: a top-level window marked as one, shown modally (its own loop runs until it is destroyed).
TEST_F(Watchdog, FormIsHandedToTheHandlerAndClosed) {
  WNDCLASSW cls{};
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"VerolinTestForm";
  RegisterClassW(&cls);
  HWND form =
      CreateWindowExW(0, L"VerolinTestForm", wide("电子印章").c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                      300, 200, nullptr, nullptr, cls.hInstance, nullptr);
  ASSERT_TRUE(form);
  const ATOM name = GlobalAddAtomW(L"FrmMySign");
  SetPropW(form, kFormProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(name)));
  std::string handed;
  dog_.onFormWindow = [&](HWND window, const std::string& n) {
    handed = n + (window == form ? " (this window)" : " (another window)");
  };
  MSG msg;
  while (IsWindow(form) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  GlobalDeleteAtom(name);
  EXPECT_EQ(handed, "FrmMySign (this window)");
  EXPECT_FALSE(IsWindow(form));
  ASSERT_EQ(traces_.size(), 2u);
  EXPECT_EQ(traces_[0], "form show FrmMySign \"电子印章\"");
  EXPECT_EQ(traces_[1], "form closed FrmMySign");
}

}  // namespace
}  // namespace verolin::com
