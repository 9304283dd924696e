// The platform on Windows: each service over the system's own calls, behind the same interfaces the
// control uses everywhere. Only the COM server and the Windows tests include this header; the
// control receives the assembled Platform.
//
// All services run on the thread that created them (the browser's user-interface thread, a
// single-threaded apartment with COM initialised).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace verolin::platform::win32 {

// The host on the calling thread's message queue. Message boxes, input boxes, forms and dialogs are
// real modal windows owned by the control's window; timers are window timers of a hidden
// message-only window and fire while messages are pumped (never inside their own tick).
class WindowsHost : public Host {
 public:
  // The owner of the boxes and forms (the control's window); null leaves them without owner.
  virtual void setOwner(HWND owner) = 0;

  // Where property changes and trace lines go (the COM server's notification, a test's log); by
  // default trace lines go to the debugger's output and property changes nowhere.
  std::function<void(const std::string& name)> onPropertyChanged;
  std::function<void(std::string_view category, std::string_view line)> onTrace;
};

std::unique_ptr<WindowsHost> newHost();
// user32's windows; handles are the system's window handles.
std::unique_ptr<WindowSystem> newWindowSystem();
// advapi32's registry; key paths start with a root's full name ("HKEY_CURRENT_USER\...") or its short
// one ("HKCU\...").
std::unique_ptr<Registry> newRegistry();
// The system clipboard: pictures as device-independent bitmaps (and enhanced metafiles), text as
// Unicode text.
std::unique_ptr<Clipboard> newClipboard();
// Files on the real drives; Windows-style paths are native paths.
std::unique_ptr<FileSystem> newFileSystem();
// MSXML's XMLHTTP request object ("Msxml2.XMLHTTP"). It sends the cookies the system's internet
// settings hold for the site (the browser's session) by itself; `options.cookies`, when set, add theirs.
std::unique_ptr<HttpFactory> newHttpFactory(HttpOptions options = {});
// Creates an object of a registered COM class by ProgID (CLSIDFromProgID, CoCreateInstance) and wraps
// its IDispatch; throws AutomationError 429 when the class is unknown or cannot be created.
automation::ObjectRef createComObject(std::string_view progId);

// Every service, owned in one place. Objects the control registers by ProgID come first; any other
// ProgID is created through COM.
struct WindowsPlatform {
  WindowsPlatform();

  std::unique_ptr<WindowsHost> host;
  std::unique_ptr<WindowSystem> windows;
  std::unique_ptr<Registry> registry;
  std::unique_ptr<Clipboard> clipboard;
  std::unique_ptr<FileSystem> files;
  ObjectFactory objects;
  std::unique_ptr<HttpFactory> http;

  Platform platform();
};

}  // namespace verolin::platform::win32
