#include "control/registration.h"

#include <utility>
#include <vector>

namespace verolin::control {
namespace {

constexpr long kOk = 0;
constexpr long kFail = static_cast<long>(static_cast<int>(0x80004005u));
const std::string kClasses = "HKEY_CLASSES_ROOT\\";

struct Entry {
  std::string key;
  std::string name;
  std::string value;
};

std::vector<Entry> entries(const std::string& libraryPath) {
  const std::string clsid = kClasses + "CLSID\\" + kClassId;
  const std::string typelib = kClasses + "TypeLib\\" + kTypeLibId + "\\1.0";
  auto iface = [](const char* id, const char* name) {
    const std::string key = kClasses + "Interface\\" + id;
    return std::vector<Entry>{{key, "", name},
                              {key + "\\ProxyStubClsid32", "", "{00020420-0000-0000-C000-000000000046}"},
                              {key + "\\TypeLib", "", kTypeLibId},
                              {key + "\\TypeLib", "Version", "1.0"}};
  };
  std::vector<Entry> all = {
      {kClasses + kProgId, "", "VerolinSystem.VerolinActivex"},
      {kClasses + kProgId + "\\CLSID", "", kClassId},
      {clsid, "", "VerolinSystem.VerolinActivex"},
      {clsid + "\\InprocServer32", "", libraryPath},
      {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {clsid + "\\ProgID", "", kProgId},
      {clsid + "\\Control", "", ""},
      {clsid + "\\TypeLib", "", kTypeLibId},
      {clsid + "\\Version", "", "1.0"},
      {typelib, "", "VerolinSystem"},
      {typelib + "\\0\\win32", "", libraryPath},
      {typelib + "\\FLAGS", "", "0"},
  };
  for (auto& e : iface(kInterfaceId, "_VerolinActivex")) all.push_back(e);
  for (auto& e : iface(kEventInterfaceId, "__VerolinActivex")) all.push_back(e);
  return all;
}

}  // namespace

long DllRegisterServer(platform::Registry& registry, const std::string& libraryPath) {
  for (const auto& e : entries(libraryPath)) {
    const auto key = registry.openKey(e.key);
    if (key == 0) return kFail;
    const bool ok = registry.setValue(key, e.name, platform::RegistryValue::ofString(e.value));
    registry.closeKey(key);
    if (!ok) return kFail;
  }
  return kOk;
}

long DllUnregisterServer(platform::Registry& registry) {
  registry.deleteKey(kClasses + kProgId);
  registry.deleteKey(kClasses + "CLSID\\" + kClassId);
  registry.deleteKey(kClasses + "Interface\\" + kInterfaceId);
  registry.deleteKey(kClasses + "Interface\\" + kEventInterfaceId);
  registry.deleteKey(kClasses + "TypeLib\\" + kTypeLibId);
  return kOk;
}

}  // namespace verolin::control
