#include "com/run_world.h"

#include <objbase.h>
#include <oleauto.h>
#include <wininet.h>

#include <random>

#include "automation/error.h"
#include "com/dispatch_client.h"
#include "com/drive_files.h"
#include "com/local_clock.h"
#include "platform/cookies.h"
#include "platform/standin.h"
#include "platform/win32/form_dialog.h"
#include "platform/win32/windows_platform.h"
#include "script/colleague.h"
#include "script/standin_world.h"
#include "script/transcript.h"
#include "wordproc/wordproc.h"

namespace verolin::com {
namespace {

namespace err = automation::err;

std::wstring siteUrl(const std::string& site) {
  if (site.empty()) {
    throw automation::AutomationError(
        err::kInvalidCall, "host.cookies: name the site; the system's cookie store keeps cookies per site");
  }
  return L"http://" + wide(site) + L"/";
}

// The colleague's machine: a folder of its own under the system's temporary folder, removed with the run
// (also when seating the colleague fails halfway).
class ColleagueFolder {
 public:
  ColleagueFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("verolin-colleague-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~ColleagueFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ColleagueFolder(const ColleagueFolder&) = delete;
  ColleagueFolder& operator=(const ColleagueFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

// The host the colleague's control shares with the run: this thread's message queue for the pump and
// the timers (so both people's timers fire in one pump), the run's clock, and the stand-in host for the
// boxes, forms and dialogs, which the script's handlers answer as on the stand-in platform.
class WindowsWorld::ColleagueDesk final : public platform::Host {
 public:
  ColleagueDesk() : queue_(platform::win32::newHost()) {
    // What goes wrong in the queue (a refused timer, a failing tick) belongs to the colleague's lines.
    queue_->onTrace = [this](std::string_view category, std::string_view line) {
      screen.trace(category, line);
    };
  }

  void pumpMessages(int times) override { queue_->pumpMessages(times); }
  TimerId startTimer(int intervalMs, std::function<void()> tick) override {
    return queue_->startTimer(intervalMs, std::move(tick));
  }
  void stopTimer(TimerId id) override { queue_->stopTimer(id); }
  automation::DateTime now() override { return localNow(); }
  std::int64_t tickMs() override { return queue_->tickMs(); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    return screen.messageBox(text, style, caption);
  }
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override {
    return screen.inputBox(prompt, title, defaultText);
  }
  void showModal(platform::Form& form) override { screen.showModal(form); }
  int showDialog(platform::DialogRequest& request) override { return screen.showDialog(request); }
  void propertyChanged(const std::string& name) override { screen.propertyChanged(name); }
  void trace(std::string_view category, std::string_view line) override { screen.trace(category, line); }

  // The colleague's screen: answered by the script's handlers, traced to the run's transcript.
  platform::StandInHost screen;

 private:
  std::unique_ptr<platform::win32::WindowsHost> queue_;
};

// Everything of the colleague, in the order it goes away: their control before their services.
struct WindowsWorld::ColleagueSeat {
  ColleagueFolder root;
  ColleagueDesk desk;
  std::unique_ptr<platform::HttpFactory> http = platform::win32::newHttpFactory();
  std::unique_ptr<script::Colleague> person;
  std::unique_ptr<script::ApartmentMachine> machine;

  ~ColleagueSeat() {
    machine.reset();
    person.reset();
    desk.screen.onTrace = nullptr;
  }
};

class WindowsWorld::RunnerMachine final : public script::Machine {
 public:
  RunnerMachine() : files_(makeDriveFiles()), clipboard_(platform::win32::newClipboard()) {}
  platform::FileSystem& files() override { return *files_; }
  // The system's clipboard, where a tablet's software puts a signature for the control to paste.
  platform::Clipboard& clipboard() override { return *clipboard_; }
  automation::Variant word() override { return runningObject(kWordProgId); }

 private:
  std::unique_ptr<platform::FileSystem> files_;
  std::unique_ptr<platform::Clipboard> clipboard_;
};

automation::Variant runningObject(const wchar_t* progId) {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return {};
  IUnknown* unknown = nullptr;
  if (FAILED(GetActiveObject(clsid, nullptr, &unknown)) || !unknown) return {};
  IDispatch* dispatch = nullptr;
  const HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  unknown->Release();
  if (FAILED(hr) || !dispatch) return {};
  automation::ObjectRef object = wrapDispatch(dispatch);
  dispatch->Release();
  return automation::Variant(object);
}

WindowsWorld::WindowsWorld(std::ostream& transcript)
    : transcript_(transcript), own_(std::make_unique<RunnerMachine>()) {
  // The word processor's dialog carries its request (same sources, same compiler: the same type).
  watchdog_.onDialogWindow = [this](HWND window) { return answerDialog(window); };
  watchdog_.onFormWindow = [this](HWND window, const std::string& name) {
    if (!answers_.form) return;
    // The platform's form window carries the control's own form: the script acts on it as on Linux.
    // The control's module and this program are built from the same sources by the same compiler,
    // so the object is the same type on both sides.
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (std::wstring_view(cls) == kFormClass) {
      if (auto* form = static_cast<platform::Form*>(GetPropW(window, platform::win32::kFormObjectProperty))) {
        if (form->isOpen()) answers_.form(*form);
      }
      return;
    }
    // Any other form window: the script's form object has its name and caption, and closes it.
    platform::Form form(name, windowText(window));
    form.onClose = [window] { PostMessageW(window, WM_CLOSE, 0, 0); };
    form.markShown();
    answers_.form(form);
  };
}

int WindowsWorld::answerDialog(HWND window) {
  auto* request = reinterpret_cast<platform::DialogRequest*>(GetPropW(window, kDialogProperty));
  if (!request || !answers_.dialog) return IDCANCEL;
  return answers_.dialog(*request) == -1 ? IDOK : IDCANCEL;
}

void WindowsWorld::answerWith(const script::UserAnswers& answers) {
  answers_ = answers;
  watchdog_.answerWith(answers);
  if (colleague_) {
    platform::StandInHost& screen = colleague_->desk.screen;
    screen.onMessageBox = answers.messageBox;
    screen.onInputBox = answers.inputBox;
    screen.onForm = answers.form;
    screen.onDialog = answers.dialog;
  }
}

WindowsWorld::~WindowsWorld() {
  colleague_.reset();
}

script::Machine& WindowsWorld::own() {
  return *own_;
}

WindowsWorld::ColleagueSeat& WindowsWorld::seat() {
  if (colleague_) return *colleague_;
  auto seat = std::make_unique<ColleagueSeat>();
  script::writeTranscript(seat->desk.screen, transcript_, &stage_);
  // The word processor of their machine is the stand-in's, registered with their own services.
  seat->person = std::make_unique<script::Colleague>(
      seat->root.path(), seat->desk, stage_, seat->http.get(),
      [](platform::Platform& machine) { wordproc::registerWordApplication(machine); });
  seat->machine = std::make_unique<script::ApartmentMachine>(seat->person->apartment());
  colleague_ = std::move(seat);
  // The handlers given before the colleague came answer them too.
  answerWith(answers_);
  return *colleague_;
}

script::Machine& WindowsWorld::colleague() {
  return *seat().machine;
}

automation::ObjectRef WindowsWorld::colleagueControl() {
  return seat().person->control();
}

void WindowsWorld::releaseColleague() noexcept {
  if (colleague_) colleague_->person->release();
}

automation::DateTime WindowsWorld::now() {
  return localNow();
}

void WindowsWorld::setClock(const automation::DateTime& t) {
  setLocalNow(t);
}

void WindowsWorld::sleep(int ms) {
  pumpFor(ms < 0 ? 0 : ms);
}

void WindowsWorld::setCookie(const std::string& name, const std::string& value, const std::string& site) {
  if (name.empty() || name.find_first_of("=; \t\r\n") != std::string::npos ||
      value.find_first_of("; \t\r\n\",\\") != std::string::npos) {
    throw std::invalid_argument("a cookie is NAME=VALUE without blanks, quotes, commas or semicolons");
  }
  if (!InternetSetCookieW(siteUrl(site).c_str(), wide(name).c_str(), wide(value).c_str())) {
    throw automation::AutomationError(err::kInvalidCall, "host.cookies.set: the system refused the cookie");
  }
}

bool WindowsWorld::removeCookie(const std::string& name, const std::string& site) {
  const std::wstring expired = L"; expires=Thu, 01-Jan-1970 00:00:00 GMT";
  return InternetSetCookieW(siteUrl(site).c_str(), wide(name).c_str(), expired.c_str()) != FALSE;
}

void WindowsWorld::clearCookies() {
  InternetSetOptionW(nullptr, INTERNET_OPTION_END_BROWSER_SESSION, nullptr, 0);
}

void pumpFor(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= end) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace verolin::com
