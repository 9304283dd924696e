#include "seal/handwriting.h"

#include "automation/error.h"
#include "seal/handwriting_window.h"

namespace verolin::seal {

namespace {

constexpr const char* kNoDocument = "请先建立一篇文档或下载一篇文档.";
constexpr const char* kCaptionError = "出错";

constexpr int kErrorInvalidWindowHandle = 1400;
constexpr std::int32_t kFormAlreadyShown = 400;

}  // namespace

void HandWrite(control::Control& c) {
  if (!c.documentGuard(kNoDocument, kCaptionError)) return;
  ShowHandwriting(c);
}

void ShowHandwriting(control::Control& c) {
  HandwritingWindow& window = c.apartment().instance<HandwritingWindow>();
  if (window.form().isOpen()) {
    throw automation::AutomationError(kFormAlreadyShown, "Form already displayed; can't show modally",
                                      kHandwritingFormName);
  }
  window.load(c);
  try {
    c.host().showModal(window.form());
  } catch (...) {
    window.unload();
    throw;
  }
  window.unload();
}

int MakeWindowTopmost(platform::WindowSystem& windows, platform::WindowHandle form) {
  return windows.setWindowPos(form, true, std::nullopt) ? 0 : kErrorInvalidWindowHandle;
}

}  // namespace verolin::seal
