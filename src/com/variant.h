// The automation layer's values as COM carries them: automation::Variant <-> VARIANT, text as BSTR
// (UTF-16) <-> UTF-8, and AutomationError <-> DISP_E_EXCEPTION with its EXCEPINFO.
//
// Objects cross without a second wrapper: an automation object that came from COM goes back as the
// IDispatch it wraps, and an IDispatch that serves one of this module's objects comes back as that
// object. Any other object is wrapped (dispatch_server.h, dispatch_client.h).
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace verolin::com {

// UTF-8 <-> UTF-16. A malformed sequence on either side becomes U+FFFD; never fails.
std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view utf16);

// A new BSTR holding `utf8` (the caller owns it; nullptr only when memory runs out).
BSTR toBstr(std::string_view utf8);
// The text of a BSTR; a null BSTR is the empty text, as automation defines it.
std::string fromBstr(BSTR b);

// A VARIANT that clears itself: `reset` takes ownership of a value, `release` hands it over.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&v_); }
  explicit ScopedVariant(const automation::Variant& value);
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&v_); }

  const VARIANT& get() const { return v_; }
  // Clears the held value and returns the VARIANT for a callee to fill.
  VARIANT* receive();
  // Takes ownership of `value` (the caller's copy is left VT_EMPTY).
  void reset(VARIANT* value);
  // Moves the held value into `out` (which must be empty or initialised) and leaves this one empty.
  void release(VARIANT* out);

 private:
  VARIANT v_;
};

// The value a VARIANT holds, read through a by-reference VARIANT; an omitted argument (VT_ERROR with
// DISP_E_PARAMNOTFOUND) becomes Variant::missing(). Throws AutomationError 13 for a type that
// automation::Variant cannot hold (arrays other than bytes, records) and 6 for a number out of range.
automation::Variant fromVariant(const VARIANT& v);

// Writes `value` into `out`, which must be initialised (VariantInit) and is cleared first. A
// by-reference Variant is written as the value it refers to. Throws AutomationError 7 when out of
// memory.
void toVariant(const automation::Variant& value, VARIANT* out);

// Stores `value` where a by-reference VARIANT points: the target VARIANT of VT_BYREF|VT_VARIANT, or the
// typed variable (converted with the automation rules: AutomationError 13 or 6 when it cannot be).
// Does nothing for a VARIANT that is not by reference.
void writeBack(const automation::Variant& value, const VARIANT& byRef);

// The SCODE a script sees for an error number: Basic run-time errors (1 to 65535) as the control
// facility's 0x800Axxxx, HRESULTs as they are; and back.
HRESULT scodeOf(std::int32_t number);
std::int32_t numberOf(HRESULT scode);

// Fills `info` (if given) for an error raised through IDispatch::Invoke; returns DISP_E_EXCEPTION.
HRESULT reportError(const automation::AutomationError& error, EXCEPINFO* info);
// The error an Invoke that failed with `hr` stands for; `info` is read (and its strings freed) for
// DISP_E_EXCEPTION. `member` names the call for the error's source when the callee gave none.
automation::AutomationError errorFromInvoke(HRESULT hr, EXCEPINFO* info, std::string_view member);

}  // namespace verolin::com
