// Objects by ProgID through COM, as CreateObject does on this system.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include "automation/error.h"
#include "com/dispatch_client.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_platform.h"

namespace verolin::platform::win32 {

automation::ObjectRef createComObject(std::string_view progId) {
  const auto cannotCreate = [&] { return automation::errorOf(automation::err::kCantCreateObject, std::string(progId)); };
  CLSID clsid{};
  if (FAILED(::CLSIDFromProgID(widen(progId).c_str(), &clsid))) throw cannotCreate();
  IDispatch* dispatch = nullptr;
  // A local server (the word processor as its own program) as well as one in this process.
  const HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                        reinterpret_cast<void**>(&dispatch));
  if (FAILED(hr) || !dispatch) throw cannotCreate();
  automation::ObjectRef object = com::wrapDispatch(dispatch);
  dispatch->Release();  // the wrapper holds its own reference
  return object;
}

}  // namespace verolin::platform::win32
