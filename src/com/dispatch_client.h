// DispatchClient: an object from COM (the word processor, the platform's HTTP request object) as an
// automation object, so that the control calls it by name exactly as it calls the stand-ins.
//
// Names are resolved once through GetIDsOfNames and remembered. By-reference arguments are passed as
// VT_BYREF|VT_VARIANT and what the callee stores comes back into the caller's Variant; omitted ones go as
// DISP_E_PARAMNOTFOUND. A failing call throws AutomationError: DISP_E_EXCEPTION with the callee's number,
// description and source, the dispatch failures as the runtime's own errors (438, 450, 13, 449, 448).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <map>
#include <string>

#include "automation/dispatch.h"

namespace verolin::com {

class DispatchClient final : public automation::Dispatch {
 public:
  // Takes a reference of its own on `dispatch` (which must not be null) and releases it when destroyed.
  explicit DispatchClient(IDispatch* dispatch);
  ~DispatchClient() override;

  // The wrapped interface; no reference is added.
  IDispatch* dispatch() const { return dispatch_; }

  automation::Variant invoke(std::string_view member, automation::InvokeKind kind,
                             std::span<automation::Variant> args,
                             std::span<automation::NamedArg> named) override;
  // The type library's name of the object's interface, or "Object".
  std::string typeName() const override;
  bool hasMember(std::string_view member) const override;
  // What a served object of any module says the member is; Unknown for other objects.
  automation::MemberKind memberKind(std::string_view member) const override;

 private:
  // The member's DISPID; false when the object does not know the name.
  bool lookUp(std::string_view member, DISPID& id) const;

  IDispatch* dispatch_;
  mutable std::map<std::string, DISPID> ids_;  // lower-case name
  mutable std::string typeName_;               // read from the type information on first use
};

// `dispatch` as an automation object (null for null): the served object itself when `dispatch` is one of
// this module's servers, a DispatchClient otherwise.
automation::ObjectRef wrapDispatch(IDispatch* dispatch);

}  // namespace verolin::com
