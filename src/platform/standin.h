// The stand-ins this machine gives the control: a host whose user is played by handlers, an
// in-memory window system, a registry kept in a file, an in-memory clipboard, and a file layer that
// maps drive letters under a root folder. Tests and the verolin program use them.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace verolin::platform {

// The host with a settable clock. Without handlers, message boxes answer their first button (OK, Yes,
// Abort or Retry), input boxes Cancel, forms close and dialogs answer Cancel. Every box, form, dialog and
// property change is also traced. An exception out of a posted task or a timer tick is traced ("error")
// and swallowed, as the pump never fails; a timer does not fire again inside its own tick.
class StandInHost final : public Host {
 public:
  StandInHost();

  void pumpMessages(int times = 1) override;
  TimerId startTimer(int intervalMs, std::function<void()> tick) override;
  void stopTimer(TimerId id) override;
  automation::DateTime now() override;
  std::int64_t tickMs() override;
  int messageBox(const std::string& text, int style, const std::string& caption) override;
  std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  void showModal(Form& form) override;
  int showDialog(DialogRequest& request) override;
  void propertyChanged(const std::string& name) override;
  void trace(std::string_view category, std::string_view line) override;

  // The user, played by the test or the page script.
  std::function<int(const std::string& text, int style, const std::string& caption)> onMessageBox;
  std::function<std::optional<std::string>(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText)>
      onInputBox;
  std::function<void(Form& form)> onForm;
  std::function<int(DialogRequest& request)> onDialog;
  std::function<void(const std::string& name)> onPropertyChanged;
  std::function<void(std::string_view category, std::string_view line)> onTrace;

  // Runs `task` at the next pump (a click or script call arriving while the control waits).
  void post(std::function<void()> task);

  // Sets the local time. A running clock then goes on in real time; a frozen one moves only with sleep().
  void setClock(const automation::DateTime& t);
  void freezeClock(bool frozen);
  // Lets `ms` milliseconds pass (on a frozen clock at once), running due timers and queued work.
  void sleep(int ms);

  // Every message box shown, as "caption|style|text", for checks.
  std::vector<std::string> messages;
  // Every property change notified.
  std::vector<std::string> changedProperties;

 private:
  struct Timer {
    int interval;
    std::int64_t due;
    std::function<void()> tick;
    bool running = false;  // inside its own tick: a nested pump does not fire it again
  };
  void runPosted();
  void runDue();
  void fire(TimerId id);
  std::optional<std::int64_t> nextDue() const;
  void rebase();

  std::map<TimerId, Timer> timers_;
  TimerId nextTimer_ = 1;
  std::deque<std::function<void()>> posted_;
  // The clock: tickMs() is tickAtAnchor_ plus the real time since realAnchor_ (nothing while frozen);
  // now() is localAtTick_ (ms since the automation epoch) plus the ticks since tickOfLocal_.
  std::int64_t tickAtAnchor_ = 0;
  std::int64_t realAnchor_ = 0;
  std::int64_t localAtTick_ = 0;
  std::int64_t tickOfLocal_ = 0;
  bool frozen_ = false;
};

// Windows kept in memory. Top-level windows are found in creation order. Destroying a window takes its
// children with it. Metrics are those of the classic style: caption bar 18, fixed (dialog) border 3 and
// sizing frame 4 pixels.
class StandInWindows final : public WindowSystem {
 public:
  WindowHandle create(const WindowInfo& info) override;
  WindowHandle findWindow(std::string_view title) override;
  WindowHandle setParent(WindowHandle child, WindowHandle parent) override;
  WindowHandle setFocus(WindowHandle h) override;
  WindowHandle focus() override;
  bool lockWindowUpdate(WindowHandle h) override;
  bool destroy(WindowHandle h) override;
  bool setWindowPos(WindowHandle h, std::optional<bool> topmost, std::optional<Rect> rect) override;
  bool show(WindowHandle h, bool visible) override;
  bool setTitle(WindowHandle h, std::string_view title) override;
  bool setState(WindowHandle h, bool maximized, bool minimized) override;
  std::optional<WindowInfo> info(WindowHandle h) override;
  int metric(Metric m) override;

  // Removes a window of another thread (its program ended).
  void forget(WindowHandle h);
  WindowHandle lockedWindow() const { return locked_; }

 private:
  std::map<WindowHandle, WindowInfo> windows_;
  WindowHandle next_ = 0x10010;
  WindowHandle focus_ = 0;
  WindowHandle locked_ = 0;
};

// A registry kept in a text file: one "key\tname\tkind\tvalue" line per value (kind "dword" or "string";
// names and texts escape tabs, line breaks and backslashes with a backslash) and a line of its own for a
// key without values. Rewritten through a temporary file on every change, read back on construction.
class FileRegistry final : public Registry {
 public:
  explicit FileRegistry(std::filesystem::path file);

  RegistryKey openKey(std::string_view path) override;
  bool setValue(RegistryKey key, std::string_view name, const RegistryValue& value) override;
  void closeKey(RegistryKey key) override;
  std::optional<RegistryValue> value(std::string_view path, std::string_view name) override;
  bool deleteKey(std::string_view path) override;
  std::vector<std::string> subKeys(std::string_view path) override;

  // How many times a value was set (tests check that a value is written at every creation).
  int writeCount(std::string_view path, std::string_view name) const;

 private:
  void load();
  bool save();

  std::filesystem::path file_;
  std::map<std::string, std::map<std::string, RegistryValue>> keys_;  // lower-case key -> lower-case name
  std::map<std::string, std::string> keyNames_;                       // lower-case key -> as written
  std::map<std::string, std::string> valueNames_;  // "key\tname" in lower case -> as written
  std::map<std::string, int> writes_;
  std::map<RegistryKey, std::string> open_;
  RegistryKey nextKey_ = 0x100;
};

class MemoryClipboard final : public Clipboard {
 public:
  void clear() override;
  void setPicture(automation::Bytes pictureFileBytes) override;
  void setText(const std::string& text) override;
  std::optional<ClipboardData> data(const std::string& format = {}) override;

 private:
  std::map<std::string, automation::Bytes> formats_;
};

// Drive letters under a root folder, on the real file system.
class MappedFileSystem final : public FileSystem {
 public:
  // Creates ROOT and ROOT/c when missing.
  explicit MappedFileSystem(std::filesystem::path root);

  std::filesystem::path nativePath(std::string_view path) const override;
  bool fileExists(std::string_view path) override;
  bool dirExists(std::string_view path) override;
  void createDir(std::string_view path) override;
  void remove(std::string_view path) override;
  void rename(std::string_view from, std::string_view to) override;
  void replace(std::string_view from, std::string_view to) override;
  void copy(std::string_view from, std::string_view to) override;
  std::uint64_t size(std::string_view path) override;
  automation::Bytes read(std::string_view path) override;
  void write(std::string_view path, const automation::Bytes& bytes) override;
  std::unique_ptr<std::istream> openRead(std::string_view path) override;
  std::unique_ptr<std::ostream> openWrite(std::string_view path) override;
  void lock(std::string_view path, LockMode mode = LockMode::Exclusive) override;
  void unlock(std::string_view path) override;
  bool isLocked(std::string_view path) override;

  const std::filesystem::path& root() const { return root_; }

 private:
  std::filesystem::path root_;
  bool readLocked(const std::filesystem::path& native) const;
  std::map<std::string, LockMode> locked_;  // native paths
};

// Passes every call on to another file layer; tests override one method to inject a fault.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}
  std::filesystem::path nativePath(std::string_view p) const override { return target_.nativePath(p); }
  bool fileExists(std::string_view p) override { return target_.fileExists(p); }
  bool dirExists(std::string_view p) override { return target_.dirExists(p); }
  void createDir(std::string_view p) override { target_.createDir(p); }
  void remove(std::string_view p) override { target_.remove(p); }
  void rename(std::string_view a, std::string_view b) override { target_.rename(a, b); }
  void replace(std::string_view a, std::string_view b) override { target_.replace(a, b); }
  void copy(std::string_view a, std::string_view b) override { target_.copy(a, b); }
  std::uint64_t size(std::string_view p) override { return target_.size(p); }
  automation::Bytes read(std::string_view p) override { return target_.read(p); }
  void write(std::string_view p, const automation::Bytes& b) override { target_.write(p, b); }
  std::unique_ptr<std::istream> openRead(std::string_view p) override { return target_.openRead(p); }
  std::unique_ptr<std::ostream> openWrite(std::string_view p) override { return target_.openWrite(p); }
  void lock(std::string_view p, LockMode m = LockMode::Exclusive) override { target_.lock(p, m); }
  void unlock(std::string_view p) override { target_.unlock(p); }
  bool isLocked(std::string_view p) override { return target_.isLocked(p); }

 private:
  FileSystem& target_;
};

// All stand-ins together, owned in one place, for a test or the verolin program. `http` stays null
// until a request factory is attached (the real one sits on libcurl).
struct StandInPlatform {
  explicit StandInPlatform(std::filesystem::path root);

  StandInHost host;
  StandInWindows windows;
  FileRegistry registry;
  MemoryClipboard clipboard;
  MappedFileSystem files;
  ObjectFactory objects;
  // The browser's cookies; a request factory sends them when it is made with them (HttpOptions).
  MemoryCookieJar cookies;
  std::unique_ptr<HttpFactory> http;

  Platform platform();
};

}  // namespace verolin::platform
