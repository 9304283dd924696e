#include "com/variant.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "com/dispatch_client.h"
#include "com/dispatch_server.h"

namespace verolin::com {

using automation::AutomationError;
using automation::Variant;
using automation::VarType;
namespace err = automation::err;

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// One code point from `s` at `i` (advanced past it); a malformed sequence yields U+FFFD and skips one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    n = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return kReplacement;
  }
  if (i + n >= s.size()) {
    ++i;
    return kReplacement;
  }
  for (std::size_t k = 1; k <= n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return kReplacement;
  }
  i += n + 1;
  return cp;
}

// An integer of a kind automation::Variant lacks: as I4 when it fits, else as a double.
Variant wideInteger(long double value) {
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return Variant(static_cast<std::int32_t>(value));
  }
  return Variant(static_cast<double>(value));
}

Variant fromSafeArray(SAFEARRAY* array) {
  if (!array) return Variant(automation::Bytes{});
  if (SafeArrayGetDim(array) != 1) throw automation::errorOf(err::kTypeMismatch);
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  automation::Bytes bytes;
  if (upper >= lower) {
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) throw automation::errorOf(err::kTypeMismatch);
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.assign(p, p + (static_cast<std::size_t>(upper) - lower + 1));
    SafeArrayUnaccessData(array);
  }
  return Variant(std::move(bytes));
}

SAFEARRAY* toSafeArray(const automation::Bytes& bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) throw automation::errorOf(err::kOutOfMemory);
  if (!bytes.empty()) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
  }
  return array;
}

// The value of a VARIANT of base type `vt` whose data is at `p` (the union of a VARIANT or a by-ref target).
template <class Get>
Variant fromTyped(VARTYPE vt, Get get) {
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant::null();
    case VT_I2:
      return Variant(static_cast<std::int16_t>(get.i2()));
    case VT_I4:
      return Variant(static_cast<std::int32_t>(get.i4()));
    case VT_INT:
      return Variant(static_cast<std::int32_t>(get.i4()));
    case VT_R4:
      return Variant(get.r4());
    case VT_R8:
      return Variant(get.r8());
    case VT_DATE:
      return Variant::date(get.r8());
    case VT_BSTR:
      return Variant(fromBstr(get.bstr()));
    case VT_BOOL:
      return Variant(get.i2() != VARIANT_FALSE);
    case VT_ERROR:
      return Variant::error(get.i4());
    case VT_I1:
      return Variant(static_cast<std::int16_t>(static_cast<signed char>(get.ui1())));
    case VT_UI1:
      return Variant(static_cast<std::int16_t>(get.ui1()));
    case VT_UI2:
      return Variant(static_cast<std::int32_t>(static_cast<USHORT>(get.i2())));
    case VT_UI4:
    case VT_UINT:
      return wideInteger(static_cast<ULONG>(get.i4()));
    case VT_I8:
      return wideInteger(get.i8());
    case VT_UI8:
      return wideInteger(static_cast<ULONGLONG>(get.i8()));
    case VT_CY:
      return Variant(static_cast<double>(get.i8()) / 10000.0);
    case VT_DISPATCH:
      return Variant(wrapDispatch(get.dispatch()));
    case VT_UNKNOWN: {
      IUnknown* unknown = get.unknown();
      if (!unknown) return Variant(automation::ObjectRef());
      IDispatch* dispatch = nullptr;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
        throw automation::errorOf(err::kTypeMismatch);
      }
      Variant v(wrapDispatch(dispatch));
      dispatch->Release();
      return v;
    }
    default:
      throw automation::errorOf(err::kTypeMismatch);
  }
}

struct Direct {
  const VARIANT& v;
  SHORT i2() const { return v.iVal; }
  LONG i4() const { return v.lVal; }
  LONGLONG i8() const { return v.llVal; }
  BYTE ui1() const { return v.bVal; }
  float r4() const { return v.fltVal; }
  double r8() const { return v.dblVal; }
  BSTR bstr() const { return v.bstrVal; }
  IDispatch* dispatch() const { return v.pdispVal; }
  IUnknown* unknown() const { return v.punkVal; }
};

struct Referenced {
  const VARIANT& v;
  SHORT i2() const { return *v.piVal; }
  LONG i4() const { return *v.plVal; }
  LONGLONG i8() const { return *v.pllVal; }
  BYTE ui1() const { return *v.pbVal; }
  float r4() const { return *v.pfltVal; }
  double r8() const { return *v.pdblVal; }
  BSTR bstr() const { return *v.pbstrVal; }
  IDispatch* dispatch() const { return *v.ppdispVal; }
  IUnknown* unknown() const { return *v.ppunkVal; }
};

}  // namespace

std::wstring toWide(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const char32_t cp = nextCodePoint(utf8, i);
    if (cp >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(cp);
    }
  }
  return out;
}

std::string fromWide(std::wstring_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t cp = static_cast<char16_t>(utf16[i]);
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size()) {
      const char32_t low = static_cast<char16_t>(utf16[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;
    appendUtf8(out, cp);
  }
  return out;
}

BSTR toBstr(std::string_view utf8) {
  const std::wstring wide = toWide(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string fromBstr(BSTR b) {
  if (!b) return {};
  return fromWide(std::wstring_view(b, SysStringLen(b)));
}

ScopedVariant::ScopedVariant(const Variant& value) {
  VariantInit(&v_);
  toVariant(value, &v_);
}

VARIANT* ScopedVariant::receive() {
  VariantClear(&v_);
  return &v_;
}

void ScopedVariant::reset(VARIANT* value) {
  VariantClear(&v_);
  v_ = *value;
  VariantInit(value);
}

void ScopedVariant::release(VARIANT* out) {
  VariantClear(out);
  *out = v_;
  VariantInit(&v_);
}

Variant fromVariant(const VARIANT& v) {
  const VARTYPE vt = v.vt;
  if (vt == (VT_BYREF | VT_VARIANT)) {
    if (!v.pvarVal) return Variant();
    return fromVariant(*v.pvarVal);
  }
  if (vt == (VT_ARRAY | VT_UI1)) return fromSafeArray(v.parray);
  if (vt == (VT_BYREF | VT_ARRAY | VT_UI1)) return fromSafeArray(v.pparray ? *v.pparray : nullptr);
  if (vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND) return Variant::missing();
  if (vt == VT_DECIMAL || vt == (VT_BYREF | VT_DECIMAL)) {
    VARIANT r8;
    VariantInit(&r8);
    if (FAILED(VariantChangeType(&r8, const_cast<VARIANT*>(&v), 0, VT_R8))) {
      throw automation::errorOf(err::kOverflow);
    }
    return Variant(r8.dblVal);
  }
  if (vt & VT_BYREF) {
    if (!v.byref) throw automation::errorOf(err::kTypeMismatch);
    return fromTyped(vt & ~VT_BYREF, Referenced{v});
  }
  return fromTyped(vt, Direct{v});
}

void toVariant(const Variant& value, VARIANT* out) {
  VariantClear(out);
  switch (value.type()) {
    case VarType::Empty:
      break;
    case VarType::Null:
      out->vt = VT_NULL;
      break;
    case VarType::I2:
      out->vt = VT_I2;
      out->iVal = value.toInt16();
      break;
    case VarType::I4:
      out->vt = VT_I4;
      out->lVal = value.toInt32();
      break;
    case VarType::R4:
      out->vt = VT_R4;
      out->fltVal = static_cast<float>(value.toDouble());
      break;
    case VarType::R8:
      out->vt = VT_R8;
      out->dblVal = value.toDouble();
      break;
    case VarType::Date:
      out->vt = VT_DATE;
      out->date = value.toDouble();
      break;
    case VarType::String: {
      BSTR b = toBstr(value.toString());
      if (!b) throw automation::errorOf(err::kOutOfMemory);
      out->vt = VT_BSTR;
      out->bstrVal = b;
      break;
    }
    case VarType::Bool:
      out->vt = VT_BOOL;
      out->boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VarType::Error:
      out->vt = VT_ERROR;
      out->scode = value.errorCode();
      break;
    case VarType::Bytes:
      out->parray = toSafeArray(value.toBytes());
      out->vt = VT_ARRAY | VT_UI1;
      break;
    case VarType::Object:
      out->vt = VT_DISPATCH;
      out->pdispVal = value.isNothing() ? nullptr : dispatchOf(value.toObject());
      break;
  }
}

void writeBack(const Variant& value, const VARIANT& byRef) {
  const VARTYPE vt = byRef.vt;
  if (!(vt & VT_BYREF) || !byRef.byref) return;
  switch (vt & ~VT_BYREF) {
    case VT_VARIANT: {
      VARIANT fresh;
      VariantInit(&fresh);
      toVariant(value, &fresh);
      VariantClear(byRef.pvarVal);
      *byRef.pvarVal = fresh;
      return;
    }
    case VT_BSTR: {
      BSTR b = toBstr(value.toString());
      if (!b) throw automation::errorOf(err::kOutOfMemory);
      SysFreeString(*byRef.pbstrVal);
      *byRef.pbstrVal = b;
      return;
    }
    case VT_I2:
      *byRef.piVal = value.toInt16();
      return;
    case VT_I4:
    case VT_INT:
      *byRef.plVal = value.toInt32();
      return;
    case VT_R4:
      *byRef.pfltVal = static_cast<float>(value.toDouble());
      return;
    case VT_R8:
      *byRef.pdblVal = value.toDouble();
      return;
    case VT_DATE:
      *byRef.pdate = value.type() == VarType::Date ? value.toDouble() : automation::toOaDate(value.toDate());
      return;
    case VT_BOOL:
      *byRef.pboolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VT_UI1: {
      const std::int32_t n = value.toInt32();
      if (n < 0 || n > 255) throw automation::errorOf(err::kOverflow);
      *byRef.pbVal = static_cast<BYTE>(n);
      return;
    }
    case VT_ARRAY | VT_UI1: {
      SAFEARRAY* array = toSafeArray(value.toBytes());
      if (*byRef.pparray) SafeArrayDestroy(*byRef.pparray);
      *byRef.pparray = array;
      return;
    }
    case VT_DISPATCH: {
      IDispatch* d = value.isNothing() ? nullptr : dispatchOf(value.toObject());
      if (*byRef.ppdispVal) (*byRef.ppdispVal)->Release();
      *byRef.ppdispVal = d;
      return;
    }
    default:
      throw automation::errorOf(err::kTypeMismatch);
  }
}

HRESULT scodeOf(std::int32_t number) {
  if (number > 0 && number <= 0xFFFF)
    return static_cast<HRESULT>(0x800A0000u | static_cast<std::uint32_t>(number));
  return static_cast<HRESULT>(number);
}

std::int32_t numberOf(HRESULT scode) {
  const auto u = static_cast<std::uint32_t>(scode);
  if ((u & 0xFFFF0000u) == 0x800A0000u) return static_cast<std::int32_t>(u & 0xFFFF);
  return static_cast<std::int32_t>(scode);
}

HRESULT reportError(const AutomationError& error, EXCEPINFO* info) {
  if (info) {
    std::memset(info, 0, sizeof(*info));
    info->scode = scodeOf(error.number());
    info->bstrSource = toBstr(error.source());
    info->bstrDescription = toBstr(error.description());
  }
  return DISP_E_EXCEPTION;
}

AutomationError errorFromInvoke(HRESULT hr, EXCEPINFO* info, std::string_view member) {
  std::string source(member);
  if (hr == DISP_E_EXCEPTION && info) {
    if (info->pfnDeferredFillIn) info->pfnDeferredFillIn(info);
    std::int32_t number = info->scode != 0 ? numberOf(info->scode) : info->wCode;
    std::string description = fromBstr(info->bstrDescription);
    if (info->bstrSource && SysStringLen(info->bstrSource) > 0) source = fromBstr(info->bstrSource);
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    std::memset(info, 0, sizeof(*info));
    if (description.empty()) description = automation::standardDescription(number);
    return AutomationError(number, std::move(description), std::move(source));
  }
  std::int32_t number = static_cast<std::int32_t>(hr);
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      number = err::kMemberNotFound;
      break;
    case DISP_E_BADPARAMCOUNT:
      number = err::kWrongArgCount;
      break;
    case DISP_E_TYPEMISMATCH:
      number = err::kTypeMismatch;
      break;
    case DISP_E_PARAMNOTOPTIONAL:
      number = err::kArgNotOptional;
      break;
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_NONAMEDARGS:
      number = err::kNamedArgNotFound;
      break;
    case DISP_E_OVERFLOW:
      number = err::kOverflow;
      break;
    case E_OUTOFMEMORY:
      number = err::kOutOfMemory;
      break;
    default:
      number = numberOf(hr);
      break;
  }
  return automation::errorOf(number, std::move(source));
}

}  // namespace verolin::com
