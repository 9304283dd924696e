// Variant: the value that crosses every late-bound call, with the automation conversion rules.
//
// A Variant maps one to one onto an automation VARIANT: its kinds are the VARTYPEs the control uses,
// and a by-reference Variant points at the caller's own Variant (VT_BYREF|VT_VARIANT), so a callee that
// assigns through it changes the caller's variable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "automation/date.h"
#include "automation/error.h"

namespace verolin::automation {

class Dispatch;
using ObjectRef = std::shared_ptr<Dispatch>;
using Bytes = std::vector<std::uint8_t>;

enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R4 = 4,
  R8 = 5,
  Date = 7,
  String = 8,
  Object = 9,
  Error = 10,  // an SCODE; DISP_E_PARAMNOTFOUND marks an omitted optional argument
  Bool = 11,
  Bytes = 0x2011,  // VT_ARRAY | VT_UI1
};

// Automation's Boolean: true is -1.
inline constexpr std::int16_t kVariantTrue = -1;
inline constexpr std::int16_t kVariantFalse = 0;

class Variant {
 public:
  Variant() = default;
  Variant(bool b) : value_(BoolValue{b}) {}
  Variant(std::int16_t i) : value_(i) {}
  Variant(std::int32_t i) : value_(i) {}
  Variant(float f) : value_(f) {}
  Variant(double d) : value_(d) {}
  Variant(const char* s) : value_(std::string(s)) {}
  Variant(std::string s) : value_(std::move(s)) {}
  Variant(std::string_view s) : value_(std::string(s)) {}
  Variant(const DateTime& t) : value_(DateValue{toOaDate(t)}) {}
  Variant(ObjectRef o) : value_(std::move(o)) {}
  Variant(Bytes b) : value_(std::move(b)) {}

  static Variant null() { return Variant(NullValue{}); }
  static Variant missing() { return Variant(ErrorValue{err::kParamNotFound}); }
  static Variant error(std::int32_t scode) { return Variant(ErrorValue{scode}); }
  static Variant date(double oa) { return Variant(DateValue{oa}); }
  // A by-reference argument: reads and assignments go to `target`, which must outlive the call.
  static Variant ref(Variant& target);

  // Kind of the value (of the referenced value for a by-reference Variant).
  VarType type() const;
  bool isByRef() const { return std::holds_alternative<Variant*>(value_); }
  bool isEmpty() const { return type() == VarType::Empty; }
  bool isNull() const { return type() == VarType::Null; }
  bool isMissing() const;
  bool isObject() const { return type() == VarType::Object; }
  // True for an object reference that is Nothing, and for Empty (what a failed lookup leaves).
  bool isNothing() const;
  bool isString() const { return type() == VarType::String; }
  bool isNumeric() const;

  // The referenced Variant (or this one).
  const Variant& deref() const;
  Variant& deref();
  // Stores `v` where this Variant points: into the caller's variable for a by-reference Variant.
  void assign(Variant v);
  // A plain copy of the value, never a reference.
  Variant value() const { return deref(); }

  // Conversions with the automation rules; each throws AutomationError (13 type mismatch, 6 overflow,
  // 94 invalid use of Null, 424 object required) where the runtime does.
  std::string toString() const;                 // CStr
  std::int16_t toInt16() const;                 // CInt: halves round to even
  std::int32_t toInt32() const;                 // CLng
  double toDouble() const;                      // CDbl
  bool toBool() const;                          // CBool: "True"/"False" text, numbers non-zero
  DateTime toDate() const;                      // CDate
  ObjectRef toObject() const;                   // the object; 424 when not an object (or Nothing)
  Bytes toBytes() const;                        // a byte array; a string gives its UTF-8 bytes
  std::int32_t errorCode() const;               // the SCODE of an Error variant

  // Late-bound access on the object this Variant holds ("object required" otherwise).
  template <class... A>
  Variant get(std::string_view member, A&&... args) const;
  template <class... A>
  Variant call(std::string_view member, A&&... args) const;
  template <class... A>
  void put(std::string_view member, A&&... argsThenValue) const;

  // Same kind and value (strict; used by tests and by the stand-ins).
  friend bool operator==(const Variant& a, const Variant& b);

  // A readable form for transcripts: strings quoted, objects by type name.
  std::string debugString() const;

 // Storage kinds (public so that visitors can name them; use the members above instead).
  struct NullValue {};
  struct BoolValue {
    bool v;
  };
  struct DateValue {
    double oa;
  };
  struct ErrorValue {
    std::int32_t scode;
  };
  using Storage = std::variant<std::monostate, NullValue, BoolValue, std::int16_t, std::int32_t, float, double,
                               DateValue, std::string, ObjectRef, ErrorValue, Bytes, Variant*>;

 private:
  explicit Variant(NullValue v) : value_(v) {}
  explicit Variant(ErrorValue v) : value_(v) {}
  explicit Variant(DateValue v) : value_(v) {}
  explicit Variant(Variant* p) : value_(p) {}

  Storage value_;
  friend class VariantAccess;
};

// A named argument of a call, as `FindControl(Id:=247)`.
struct NamedArg {
  std::string name;
  Variant value;
};
inline NamedArg named(std::string name, Variant value) { return NamedArg{std::move(name), std::move(value)}; }

// Parses a number the way the runtime parses numeric text ("  12.5 ", "&H1F", "1E3"); nullopt when not numeric.
bool parseNumber(std::string_view text, double& out);

// Formats a double as the runtime's CStr does (up to 15 significant digits, "1E+20" style exponents).
std::string formatNumber(double d);

}  // namespace verolin::automation

#include "automation/dispatch.h"
