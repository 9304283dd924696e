// The embedded type library: what GetTypeInfo hands out and the declared members that the server
// adapter checks arguments against.
#include <mutex>

#include "com/ocx/server.h"
#include "com/variant.h"

namespace verolin::com::ocx {
namespace {

struct Loaded {
  ITypeInfo* info = nullptr;
  std::shared_ptr<const MemberTable> members;
};

std::mutex gLock;
Loaded gLoaded;

Loaded& loaded() {
  std::lock_guard lock(gLock);
  if (gLoaded.info) return gLoaded;
  ITypeLib* library = nullptr;
  const std::wstring path = toWide(modulePath());
  if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library))) {
    throw automation::errorOf(automation::err::kInternalError, "VerolinSystem");
  }
  ITypeInfo* info = nullptr;
  const HRESULT hr = library->GetTypeInfoOfGuid(interfaceId(), &info);
  library->Release();
  if (FAILED(hr)) throw automation::errorOf(automation::err::kInternalError, "VerolinSystem");
  try {
    gLoaded.members = std::make_shared<const MemberTable>(membersOf(info));
  } catch (...) {
    info->Release();
    throw;
  }
  gLoaded.info = info;
  return gLoaded;
}

}  // namespace

ITypeInfo* controlTypeInfo() {
  return loaded().info;
}

std::shared_ptr<const MemberTable> controlMembers() {
  return loaded().members;
}

void releaseTypeLibrary() {
  std::lock_guard lock(gLock);
  if (gLoaded.info) gLoaded.info->Release();
  gLoaded = Loaded{};
}

}  // namespace verolin::com::ocx
