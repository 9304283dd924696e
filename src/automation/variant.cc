#include "automation/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "text/utf8.h"

namespace verolin::automation {

class VariantAccess {
 public:
  static const Variant::Storage& storage(const Variant& v) { return v.deref().value_; }
};

namespace {

template <class... F>
struct Overload : F... {
  using F::operator()...;
};
template <class... F>
Overload(F...) -> Overload<F...>;

std::string trim(std::string_view s) {
  const auto b = s.find_first_not_of(" \t\r\n");
  if (b == std::string_view::npos) return {};
  const auto e = s.find_last_not_of(" \t\r\n");
  return std::string(s.substr(b, e - b + 1));
}

// Rounds to the nearest integer, halves to even, as the runtime's integer conversions do.
double roundHalfEven(double d) {
  const double r = std::nearbyint(d);  // default rounding mode is to-nearest-even
  return r;
}

double numericValue(const Variant& v);

double fromObjectDefault(const ObjectRef& o) {
  if (!o) throw errorOf(err::kObjectNotSet);
  Variant inner = o->invoke("", InvokeKind::PropertyGet, {}, {});
  return numericValue(inner);
}

double numericValue(const Variant& v) {
  const auto& s = VariantAccess::storage(v);
  return std::visit(
      Overload{
          [](std::monostate) -> double { return 0; },
          [](const auto& x) -> double {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t> ||
                          std::is_same_v<T, float> || std::is_same_v<T, double>) {
              return static_cast<double>(x);
            } else if constexpr (std::is_same_v<T, std::string>) {
              double d;
              if (parseNumber(x, d)) return d;
              const std::string t = trim(x);
              if (text::equalsIgnoreCase(t, "True")) return -1;
              if (text::equalsIgnoreCase(t, "False")) return 0;
              throw errorOf(err::kTypeMismatch);
            } else if constexpr (std::is_same_v<T, ObjectRef>) {
              return fromObjectDefault(x);
            } else if constexpr (std::is_same_v<T, Variant*>) {
              return numericValue(*x);
            } else {
              throw errorOf(err::kTypeMismatch);
            }
          },
          [](Variant::NullValue) -> double { throw errorOf(err::kInvalidUseOfNull); },
          [](Variant::BoolValue b) -> double { return b.v ? -1 : 0; },
          [](Variant::DateValue d) -> double { return d.oa; },
      },
      s);
}

}  // namespace

Variant Variant::ref(Variant& target) { return Variant(&target.deref()); }

const Variant& Variant::deref() const {
  const Variant* v = this;
  while (auto p = std::get_if<Variant*>(&v->value_)) v = *p;
  return *v;
}

Variant& Variant::deref() {
  Variant* v = this;
  while (auto p = std::get_if<Variant*>(&v->value_)) v = *p;
  return *v;
}

void Variant::assign(Variant v) {
  Variant plain = v.deref();
  deref() = std::move(plain);
}

VarType Variant::type() const {
  const auto& s = deref().value_;
  switch (s.index()) {
    case 0: return VarType::Empty;
    case 1: return VarType::Null;
    case 2: return VarType::Bool;
    case 3: return VarType::I2;
    case 4: return VarType::I4;
    case 5: return VarType::R4;
    case 6: return VarType::R8;
    case 7: return VarType::Date;
    case 8: return VarType::String;
    case 9: return VarType::Object;
    case 10: return VarType::Error;
    case 11: return VarType::Bytes;
    default: return VarType::Empty;
  }
}

bool Variant::isMissing() const {
  auto p = std::get_if<ErrorValue>(&deref().value_);
  return p && p->scode == err::kParamNotFound;
}

bool Variant::isNothing() const {
  const auto& s = deref().value_;
  if (auto o = std::get_if<ObjectRef>(&s)) return !*o;
  return std::holds_alternative<std::monostate>(s);
}

bool Variant::isNumeric() const {
  switch (type()) {
    case VarType::I2:
    case VarType::I4:
    case VarType::R4:
    case VarType::R8:
    case VarType::Bool:
    case VarType::Empty: return true;
    case VarType::String: {
      double d;
      return parseNumber(std::get<std::string>(deref().value_), d);
    }
    default: return false;
  }
}

std::string Variant::toString() const {
  const auto& s = deref().value_;
  return std::visit(
      Overload{
          [](std::monostate) -> std::string { return {}; },
          [](NullValue) -> std::string { throw errorOf(err::kInvalidUseOfNull); },
          [](BoolValue b) -> std::string { return b.v ? "True" : "False"; },
          [](std::int16_t i) -> std::string { return std::to_string(i); },
          [](std::int32_t i) -> std::string { return std::to_string(i); },
          [](float f) -> std::string {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(f));
            return buf;
          },
          [](double d) -> std::string { return formatNumber(d); },
          [](DateValue d) -> std::string { return formatLocal(fromOaDate(d.oa)); },
          [](const std::string& str) -> std::string { return str; },
          [](const ObjectRef& o) -> std::string {
            if (!o) throw errorOf(err::kObjectNotSet);
            return o->invoke("", InvokeKind::PropertyGet, {}, {}).toString();
          },
          [](ErrorValue) -> std::string { throw errorOf(err::kTypeMismatch); },
          [](const Bytes& b) -> std::string { return std::string(b.begin(), b.end()); },
          [](Variant* p) -> std::string { return p->toString(); },
      },
      s);
}

std::int16_t Variant::toInt16() const {
  const double d = roundHalfEven(numericValue(*this));
  if (!(d >= -32768.0 && d <= 32767.0)) throw errorOf(err::kOverflow);
  return static_cast<std::int16_t>(d);
}

std::int32_t Variant::toInt32() const {
  const double d = roundHalfEven(numericValue(*this));
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) throw errorOf(err::kOverflow);
  return static_cast<std::int32_t>(d);
}

double Variant::toDouble() const { return numericValue(*this); }

bool Variant::toBool() const {
  const auto& s = deref().value_;
  if (auto b = std::get_if<BoolValue>(&s)) return b->v;
  if (auto str = std::get_if<std::string>(&s)) {
    const std::string t = trim(*str);
    if (text::equalsIgnoreCase(t, "True")) return true;
    if (text::equalsIgnoreCase(t, "False")) return false;
    double d;
    if (parseNumber(t, d)) return d != 0;
    throw errorOf(err::kTypeMismatch);
  }
  return numericValue(*this) != 0;
}

DateTime Variant::toDate() const {
  const auto& s = deref().value_;
  if (auto d = std::get_if<DateValue>(&s)) return fromOaDate(d->oa);
  if (auto str = std::get_if<std::string>(&s)) return parseIso(trim(*str));
  return fromOaDate(numericValue(*this));
}

ObjectRef Variant::toObject() const {
  const auto& s = deref().value_;
  if (auto o = std::get_if<ObjectRef>(&s)) {
    if (!*o) throw errorOf(err::kObjectNotSet);
    return *o;
  }
  if (std::holds_alternative<std::monostate>(s)) throw errorOf(err::kObjectNotSet);
  throw errorOf(err::kObjectRequired);
}

Bytes Variant::toBytes() const {
  const auto& s = deref().value_;
  if (auto b = std::get_if<Bytes>(&s)) return *b;
  if (auto str = std::get_if<std::string>(&s)) return Bytes(str->begin(), str->end());
  if (std::holds_alternative<std::monostate>(s)) return {};
  throw errorOf(err::kTypeMismatch);
}

std::int32_t Variant::errorCode() const {
  if (auto e = std::get_if<ErrorValue>(&deref().value_)) return e->scode;
  throw errorOf(err::kTypeMismatch);
}

bool operator==(const Variant& a, const Variant& b) {
  const auto& x = VariantAccess::storage(a);
  const auto& y = VariantAccess::storage(b);
  if (x.index() != y.index()) return false;
  return std::visit(
      Overload{
          [](std::monostate, std::monostate) { return true; },
          [](Variant::NullValue, Variant::NullValue) { return true; },
          [](Variant::BoolValue p, Variant::BoolValue q) { return p.v == q.v; },
          [](Variant::DateValue p, Variant::DateValue q) { return p.oa == q.oa; },
          [](Variant::ErrorValue p, Variant::ErrorValue q) { return p.scode == q.scode; },
          [](const auto& p, const auto& q) -> bool {
            if constexpr (std::is_same_v<std::decay_t<decltype(p)>, std::decay_t<decltype(q)>>) {
              return p == q;
            } else {
              return false;
            }
          },
      },
      x, y);
}

std::string Variant::debugString() const {
  switch (type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::String: return "\"" + toString() + "\"";
    case VarType::Object: {
      const auto& o = std::get<ObjectRef>(deref().value_);
      return o ? "[" + o->typeName() + "]" : "Nothing";
    }
    case VarType::Error: return isMissing() ? "Missing" : "Error " + std::to_string(errorCode());
    case VarType::Bytes: return "Bytes(" + std::to_string(std::get<Bytes>(deref().value_).size()) + ")";
    default: return toString();
  }
}

bool parseNumber(std::string_view textIn, double& out) {
  const std::string t = trim(textIn);
  if (t.empty()) return false;
  if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h' || t[1] == 'O' || t[1] == 'o')) {
    const int base = (t[1] == 'H' || t[1] == 'h') ? 16 : 8;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(t.c_str() + 2, &end, base);
    if (*end != '\0' || t.size() - 2 > (base == 16 ? 8u : 11u)) return false;
    // Hex literals of up to 4 digits are 16-bit and of up to 8 digits 32-bit, both signed.
    if (base == 16 && t.size() - 2 <= 4) {
      out = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    } else {
      out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    return true;
  }
  std::size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  bool digits = false;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, digits = true;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, digits = true;
  }
  if (!digits) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
    std::size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    const std::size_t expStart = j;
    while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j;
    if (j == expStart) return false;
    i = j;
  }
  if (i != t.size()) return false;
  std::string normal = t;
  for (char& c : normal) {
    if (c == 'd' || c == 'D') c = 'E';
  }
  out = std::strtod(normal.c_str(), nullptr);
  return std::isfinite(out);
}

std::string formatNumber(double d) {
  if (d == 0) return "0";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  std::string s = buf;
  // The runtime writes "1E+20" and "1E-05" as C does, and never a trailing "." or zeros.
  return s;
}

}  // namespace verolin::automation
