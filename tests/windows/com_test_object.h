// A small automation object for the COM tests: optional, by-reference and typed parameters, a property
// and a member that fails, much as the control's own members are declared.
#pragma once

#include <memory>
#include <string>

#include "automation/object.h"
#include "com/dispatch_server.h"

namespace verolin::com::testing {

using automation::Args;
using automation::Variant;

class Sample final : public automation::ObjectBase {
 public:
  Sample() : ObjectBase("Sample") {
    method("Join", {{"a"}, automation::opt("b", Variant("B")), automation::opt("c")}, [](Args& a) {
      std::string out = a[0].toString() + "-" + a[1].toString();
      out += a.given(2) ? "-" + a[2].toString() : std::string("-missing");
      return Variant(out);
    });
    method("Swap", {{"first"}, {"second"}}, [](Args& a) {
      Variant first = a[0].value();
      a[0].assign(a[1].value());
      a[1].assign(first);
      return Variant();
    });
    method("Twice", {{"n"}}, [](Args& a) { return Variant(static_cast<std::int32_t>(a[0].toInt16()) * 2); });
    method("Mark", {{"text"}, automation::opt("flag", Variant(false))}, [](Args& a) {
      a[0].assign(Variant(a[0].toString() + "!"));
      if (a[1].toBool()) throw automation::AutomationError(5001, "印章密码错误", "Sample.Mark");
      return Variant(true);
    });
    method("Echo", {{"value"}}, [](Args& a) { return a[0].value(); });
    property(
        "Name", [this] { return Variant(name_); }, [this](const Variant& v) { name_ = v.toString(); });
  }

 private:
  std::string name_ = "初始";
};

// The declared interface of Sample, as a type library would give it.
inline std::shared_ptr<const MemberTable> sampleMembers() {
  auto table = std::make_shared<MemberTable>();
  table->push_back({"Join", 1, {{"a", VT_BSTR}, {"b", VT_BSTR, false, true}, {"c", VT_BSTR, false, true}}});
  table->push_back({"Swap", 2, {{"first", VT_VARIANT, true}, {"second", VT_VARIANT, true}}});
  table->push_back({"Twice", 3, {{"n", VT_I2}}});
  table->push_back({"Mark", 4, {{"text", VT_BSTR, true}, {"flag", VT_BOOL, true, true}}});
  table->push_back({"Echo", 5, {{"value", VT_VARIANT}}});
  table->push_back({"Name", 6, {}, VT_BSTR});
  return table;
}

}  // namespace verolin::com::testing
