// The watchdog answers real modal windows on the test's own thread under the null graphics driver: a
// message box with the handler's button, an input box with the handler's text, a form closed after its
// handler ran, each traced as the stand-in host traces it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "com/dialog_watchdog.h"
#include "platform/win32/dialog_template.h"

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

InputResult showInputBox(const std::wstring& prompt, const std::wstring& title,
                         const std::wstring& defaultText) {
  platform::win32::DialogTemplate t(title, 200, 80);
  t.addStatic(101, prompt, 10, 5, 150, 14);
  t.addEdit(100, defaultText, 10, 25, 150, 14);
  t.addButton(IDOK, L"确定", 10, 45, 150, 14, true);
  t.addButton(IDCANCEL, L"取消", 10, 62, 150, 14, false);
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
