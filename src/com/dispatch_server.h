// DispatchServer: any automation object served as an IDispatch, so that a script engine (or any COM
// client) calls its members by name.
//
// Names resolve case-insensitively. Without a member table the server hands out identifiers as names
// are asked for and passes the arguments as they come; the object's own argument rules answer, and its
// count errors reach the caller as DISP_E_BADPARAMCOUNT / DISP_E_PARAMNOTOPTIONAL. With a member table
// (read from a type library) the server checks the declared parameters first, as a typed interface
// does: too many or too few arguments give DISP_E_BADPARAMCOUNT, an explicitly omitted required one
// DISP_E_PARAMNOTOPTIONAL, and a value that does not convert to the declared type DISP_E_TYPEMISMATCH
// (or DISP_E_OVERFLOW) with puArgErr naming it. Every other failure is DISP_E_EXCEPTION with the
// error's number, description and source in EXCEPINFO. By-reference arguments the member changed are
// written back into the caller's variables, also when the member fails.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "automation/dispatch.h"

namespace verolin::com {

// A parameter as a type library declares it.
struct ParamInfo {
  std::string name;
  VARTYPE type = VT_VARIANT;  // the base type (VT_BSTR, VT_BOOL, VT_I2, VT_VARIANT, ...)
  bool byRef = false;
  bool optional = false;
};

// A member of a dispatch interface; a property's get and put share one entry.
struct MemberInfo {
  std::string name;
  DISPID id = DISPID_UNKNOWN;
  std::vector<ParamInfo> params;  // of the method or the property get (without the put's value)
  VARTYPE putType = VT_EMPTY;     // the type a property put takes; VT_EMPTY when it has none
};
using MemberTable = std::vector<MemberInfo>;

// The members of the dispatch interface that `info` describes. Throws AutomationError 51 when the type
// information cannot be read.
MemberTable membersOf(ITypeInfo* info);

// Live COM objects of this module (servers and class factories) plus LockServer locks, for
// DllCanUnloadNow.
std::atomic<long>& moduleReferences();

class DispatchServer : public IDispatch {
 public:
  // Serves `object`. `members` (optional) is the declared interface; `typeInfo` (optional, a reference is
  // taken) is what GetTypeInfo hands out; `interfaceId` is answered by QueryInterface besides IDispatch.
  DispatchServer(automation::ObjectRef object, std::shared_ptr<const MemberTable> members = {},
                 ITypeInfo* typeInfo = nullptr, const IID& interfaceId = IID_IDispatch);
  DispatchServer(const DispatchServer&) = delete;
  DispatchServer& operator=(const DispatchServer&) = delete;

  const automation::ObjectRef& object() const { return object_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

 protected:
  virtual ~DispatchServer();
  // Interfaces beyond IUnknown and IDispatch that a subclass answers (nullptr when it has none).
  virtual void* queryMore(REFIID) { return nullptr; }
  // The last reference is going: the object is still whole and may call out (a container it leaves
  // may query it again) before it is deleted.
  virtual void leaving() noexcept {}

 private:
  struct Call;
  const MemberInfo* memberById(DISPID id) const;
  const MemberInfo* memberByName(std::string_view name) const;
  HRESULT checkArguments(Call& call, UINT* argError) const;

  std::atomic<ULONG> references_{1};
  automation::ObjectRef object_;
  std::shared_ptr<const MemberTable> members_;
  ITypeInfo* typeInfo_ = nullptr;
  IID interfaceId_;
  // Identifiers handed out for names the member table does not know (members, then named arguments).
  std::vector<std::string> dynamicNames_;
};

// A new IDispatch (one reference, the caller's) serving `object` without a member table.
IDispatch* serveObject(automation::ObjectRef object);

// The automation object behind `dispatch` when it is a DispatchServer of this module; null otherwise.
automation::ObjectRef servedObject(IDispatch* dispatch);

// The IDispatch for `object` (one reference, the caller's): the wrapped one for an object that came from
// COM, a new server otherwise.
IDispatch* dispatchOf(const automation::ObjectRef& object);

}  // namespace verolin::com
