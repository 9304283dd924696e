// The platform services the control stands on. The control receives a Platform and never a concrete
// implementation; this machine supplies the stand-ins of standin.h, Windows the services of
// win32/windows_platform.h over the system's own calls.
#pragma once

#include "platform/clipboard.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/host.h"
#include "platform/http.h"
#include "platform/objects.h"
#include "platform/registry.h"
#include "platform/windows.h"

namespace verolin::platform {

struct Platform {
  Host* host = nullptr;
  WindowSystem* windows = nullptr;
  Registry* registry = nullptr;
  Clipboard* clipboard = nullptr;
  FileSystem* files = nullptr;
  ObjectFactory* objects = nullptr;
  HttpFactory* http = nullptr;
};

}  // namespace verolin::platform
