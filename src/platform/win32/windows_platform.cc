#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {

WindowsPlatform::WindowsPlatform()
    : host(newHost()),
      windows(newWindowSystem()),
      registry(newRegistry()),
      clipboard(newClipboard()),
      files(newFileSystem()),
      http(newHttpFactory()) {
  objects.setFallback(createComObject);
}

Platform WindowsPlatform::platform() {
  return Platform{host.get(), windows.get(), registry.get(), clipboard.get(), files.get(), &objects, http.get()};
}

}  // namespace verolin::platform::win32
