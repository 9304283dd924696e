// What kind each member of a served object is (method, property, indexed property), told across
// modules: a script binding needs it to tell `x.Save()` from `x.Name`, and IDispatch alone cannot say.
// A served object answers the private interface below; a client asks it, and an object that does not
// answer leaves the kind unknown (the binding then probes the member).
#pragma once

#include <unknwn.h>

#include <string_view>

#include "automation/dispatch.h"

namespace verolin::com {

// {ACF1CA4B-4CC3-471E-9B88-86348B51F772}
inline constexpr IID kMemberKindsIid = {
    0xacf1ca4b, 0x4cc3, 0x471e, {0x9b, 0x88, 0x86, 0x34, 0x8b, 0x51, 0xf7, 0x72}};

struct IMemberKinds : IUnknown {
  // The kind of member `name` as automation::MemberKind's value; S_OK always when `kind` is given.
  virtual HRESULT STDMETHODCALLTYPE MemberKindOf(LPCOLESTR name, int* kind) = 0;
};

// A tear-off of `owner`, the server of `object`, answering IMemberKinds from the object's own member
// table; it holds a reference on the owner. The caller adds the first reference.
IMemberKinds* newMemberKinds(IUnknown* owner, const automation::ObjectRef& object);

// The kind of `member` of `dispatch`; Unknown when the object does not tell.
automation::MemberKind memberKindOf(IDispatch* dispatch, std::string_view member);

}  // namespace verolin::com
