#include "platform/standin.h"

namespace verolin::platform {

// The registry file sits beside the drive folders, so no drive path of the control can reach it.
StandInPlatform::StandInPlatform(std::filesystem::path root)
    : registry(root / "registry.txt"), files(std::move(root)) {}

Platform StandInPlatform::platform() {
  return Platform{&host, &windows, &registry, &clipboard, &files, &objects, http.get()};
}

}  // namespace verolin::platform
