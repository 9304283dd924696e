// The library's registration as an in-process control: the class, its dispatch and event interfaces
// and the type library, written to and removed from the registry.
#pragma once

#include <string>

#include "platform/registry.h"

namespace verolin::control {

inline constexpr const char* kProgId = "VerolinSystem.VerolinActivex";
inline constexpr const char* kClassId = "{5C1A7E2B-3D4F-4A6B-9E8D-7F0A1B2C3D4E}";
inline constexpr const char* kInterfaceId = "{5C1A7E2B-3D4F-4A6B-9E8D-7F0A1B2C3D4F}";
inline constexpr const char* kEventInterfaceId = "{5C1A7E2B-3D4F-4A6B-9E8D-7F0A1B2C3D50}";
inline constexpr const char* kTypeLibId = "{5C1A7E2B-3D4F-4A6B-9E8D-7F0A1B2C3D51}";

// DllRegisterServer: writes every entry; S_OK (0) or E_FAIL when the registry refuses a write.
long DllRegisterServer(platform::Registry& registry, const std::string& libraryPath);
// DllUnregisterServer: removes them again; S_OK also when they were not there.
long DllUnregisterServer(platform::Registry& registry);

}  // namespace verolin::control
