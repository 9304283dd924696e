// The control's own four form models shown as dialogs: every named control has its place in the form,
// and the forms that need no control to act (the two list windows, the seal window's cancel) work
// through their real windows.
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/form_dialog.h"
#include "platform/win32/form_layout.h"
#include "seal/handwriting_window.h"
#include "seal/mark_list.h"
#include "seal/revision_log.h"
#include "seal/seal_window.h"

namespace verolin::platform::win32 {
namespace {

// A closed combo box is one line high whatever its open list needs.
constexpr int kClosedComboTwips = 330;

struct Box {
  std::string name;
  RECT r;
};

// Each visible control of `form` has a place inside the form's client area, and no two overlap.
void expectLaidOut(Form& form) {
  SCOPED_TRACE(form.name());
  const FormLayout* layout = FindFormLayout(form.name());
  ASSERT_NE(layout, nullptr);
  std::vector<Box> shown;
  for (const auto& name : form.controlNames()) {
    const ControlPlace* place = layout->find(name);
    ASSERT_NE(place, nullptr) << name;
    EXPECT_GE(place->left, 0) << name;
    EXPECT_GE(place->top, 0) << name;
    EXPECT_LE(place->left + place->width, layout->clientWidth) << name;
    FormControl& c = form.control(name);
    const int height = c.kind() == "combo" ? std::min(place->height, kClosedComboTwips) : place->height;
    EXPECT_LE(place->top + height, layout->clientHeight) << name;
    if (c.has("Visible") && !c.get("Visible").toBool()) continue;
    shown.push_back({name, {place->left, place->top, place->left + place->width, place->top + height}});
  }
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &shown[i].r, &shown[j].r))
          << shown[i].name << " and " << shown[j].name;
    }
  }
}

TEST(FormModels, EveryControlOfTheFourFormsHasAPlaceOfItsOwn) {
  seal::SealWindow sealWindow;
  seal::HandwritingWindow handwriting;
  seal::MarkListWindow markList;
  seal::FrmOpMsg revisionLog;
  expectLaidOut(sealWindow);
  expectLaidOut(handwriting.form());
  expectLaidOut(markList);
  expectLaidOut(revisionLog);
}

TEST(FormModels, CaptureBoxKeepsTheSizeItsMouseScaleIsReadIn) {
  const ControlPlace* box = FindFormLayout(seal::kHandwritingFormName)->find("picgetimage");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->width, seal::kCaptureWidthTwips);
  EXPECT_EQ(box->height, seal::kCaptureHeightTwips);
  EXPECT_TRUE(FindFormLayout(seal::kHandwritingFormName)->topmost);
}

// Runs `form` as a dialog while `drive` acts on it from another thread.
template <class Drive>
void runDriven(Form& form, Drive drive) {
  std::thread driver([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && !(dialog = formDialogWindow(form)); ++i) Sleep(10);
    if (dialog) drive(dialog);
    for (int i = 0; i < 100 && formDialogWindow(form); ++i) {
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      Sleep(20);
    }
  });
  runFormDialog(form, nullptr);
  driver.join();
}

int listCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
}

TEST(FormModels, MarkListShowsItsLinesAndOkRestoresItsDesign) {
  seal::MarkListWindow window;
  window.lisMsg.addItem("1. 盖章人姓名:张三  盖章日期:2026年12月8日9时5分3秒");
  window.lblmsg.set("Caption", "本文档有效盖章列表:(共1个)");
  int shownLines = 0;
  runDriven(window, [&](HWND dialog) {
    shownLines = listCount(formControlWindow(dialog, window, "lisMsg"));
    SendMessageW(formControlWindow(dialog, window, "cmdok"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(shownLines, 1);
  EXPECT_FALSE(window.isOpen());
  EXPECT_TRUE(window.lisMsg.items().empty());
  EXPECT_EQ(window.lblmsg.get("Caption").toString(), "有效的盖章信息列表:");
}

TEST(FormModels, RevisionLogShowsItsLinesAndADoubleClickWithoutDocumentDoesNothing) {
  seal::FrmOpMsg window;
  window.addLine("插入: 第一段");
  window.addLine("删除: 第二段");
  int shownLines = 0;
  runDriven(window, [&](HWND dialog) {
    HWND list = formControlWindow(dialog, window, "libmsg");
    shownLines = listCount(list);
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(formControlWindow(dialog, window, "cmdok"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(shownLines, 2);
  EXPECT_FALSE(window.isOpen());
}

TEST(FormModels, SealWindowCancelClosesAndLeavesTheDesignTexts) {
  seal::SealWindow window;
  window.comUserList.addItem("张三");
  std::string nameLabel;
  bool hiddenShown = true;
  runDriven(window, [&](HWND dialog) {
    wchar_t text[64] = {};
    GetWindowTextW(formControlWindow(dialog, window, "lblname"), text, 64);
    char utf8[192] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
    nameLabel = utf8;
    hiddenShown = IsWindowVisible(formControlWindow(dialog, window, "comPic"));
    SendMessageW(formControlWindow(dialog, window, "cmdcanel"), BM_CLICK, 0, 0);
  });
  EXPECT_EQ(nameLabel, "用户名称:");
  EXPECT_FALSE(hiddenShown);
  EXPECT_FALSE(window.isOpen());
  EXPECT_TRUE(window.comUserList.items().empty());
}

}  // namespace
}  // namespace verolin::platform::win32
