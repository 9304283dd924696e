#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>

#include "automation/automation.h"
#include "automation/caller_abort.h"

namespace verolin::automation {
namespace {

// A collection whose default member is Item, as the word processor's collections are.
class Items : public ObjectBase {
 public:
  Items() : ObjectBase("Items") {
    indexedProperty(
        "Item", {{"Index"}}, [this](Args& a) { return Variant(at(a[0])); },
        [this](Args& a, const Variant& v) { at(a[0]) = v.toString(); });
    property("Count", [this] { return Variant(static_cast<std::int32_t>(values_.size())); });
    defaultMember("Item");
  }
  std::string& at(const Variant& index) {
    const std::int32_t i = index.toInt32();
    if (i < 1 || i > static_cast<std::int32_t>(values_.size())) throw errorOf(err::kSubscriptOutOfRange);
    return values_[static_cast<std::size_t>(i - 1)];
  }
  std::vector<std::string> values_{"one", "two", "three"};
};

class Thing : public ObjectBase {
 public:
  Thing() : ObjectBase("Thing") {
    method("Join", {{"First"}, opt("Separator", "-"), opt("Last")}, [](Args& a) {
      return Variant(a[0].toString() + a[1].toString() + (a.given(2) ? a[2].toString() : "<missing>"));
    });
    method("Bump", {{"Counter"}}, [](Args& a) {
      a[0].assign(a[0].toInt32() + 1);
      return Variant();
    });
    property(
        "Name", [this] { return Variant(name_); }, [this](const Variant& v) { name_ = v.toString(); });
    property("Items", [this] { return Variant(std::static_pointer_cast<Dispatch>(items_)); });
    property("Child", [this] {
      if (!child_) child_ = std::make_shared<Thing>();
      return Variant(std::static_pointer_cast<Dispatch>(child_));
    });
    // Faults of the kinds a member's own code can raise, as a careless member would let them escape.
    method("Fail", {{"Kind"}}, [this](Args& a) -> Variant {
      const std::string kind = a[0].toString();
      if (kind == "memory") throw std::bad_alloc();
      if (kind == "index") return Variant(items_->values_.at(99));
      if (kind == "logic") throw std::logic_error("vector::_M_range_check");
      if (kind == "automation") throw errorOf(err::kFileNotFound, "Thing.Fail");
      if (kind == "abort") throw CallerAbort{};
      throw 42;
    });
    property(
        "Broken", [] { return Variant(std::string().at(1)); },
        [](const Variant&) { throw std::bad_alloc(); });
    defaultMember("Name");
  }
  std::string name_ = "thing";
  std::shared_ptr<Items> items_ = std::make_shared<Items>();
  std::shared_ptr<Thing> child_;
};

std::int32_t errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

class ObjectTest : public ::testing::Test {
 protected:
  Variant obj{std::static_pointer_cast<Dispatch>(std::make_shared<Thing>())};
};

TEST_F(ObjectTest, MembersAndNamedArgumentsIgnoreCase) {
  EXPECT_EQ(obj.call("jOIN", "a").toString(), "a-<missing>");
  EXPECT_EQ(obj.call("Join", "a", named("last", "z")).toString(), "a-z");
  EXPECT_EQ(obj.call("Join", "a", named("SEPARATOR", "+"), named("Last", "z")).toString(), "a+z");
  EXPECT_EQ(obj.get("NAME").toString(), "thing");
  EXPECT_TRUE(obj.toObject()->hasMember("bump"));
}

TEST_F(ObjectTest, OmittedOptionalArgumentsTakeTheirDefaultOrArriveMissing) {
  // A hole in the middle (Join("a", , "z")) takes the declared default; a trailing one with no
  // default reaches the callee as missing.
  EXPECT_EQ(obj.call("Join", "a", Variant::missing(), "z").toString(), "a-z");
  EXPECT_EQ(obj.call("Join", "a", "/").toString(), "a/<missing>");
}

TEST_F(ObjectTest, ArgumentErrorsHaveTheRuntimeNumbers) {
  EXPECT_EQ(errorNumber([&] { obj.call("Join"); }), err::kArgNotOptional);
  EXPECT_EQ(errorNumber([&] { obj.call("Join", Variant::missing(), "-"); }), err::kArgNotOptional);
  EXPECT_EQ(errorNumber([&] { obj.call("Join", "a", "b", "c", "d"); }), err::kWrongArgCount);
  EXPECT_EQ(errorNumber([&] { obj.call("Join", "a", named("Nope", 1)); }), err::kNamedArgNotFound);
  EXPECT_EQ(errorNumber([&] { obj.call("Join", "a", named("First", "b")); }), err::kNamedArgNotFound);
  EXPECT_EQ(errorNumber([&] { obj.call("Vanish"); }), err::kMemberNotFound);
  EXPECT_EQ(errorNumber([&] { obj.get("Items").put("Count", 4); }), err::kWrongArgCount);
  try {
    obj.call("Vanish");
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.description(), "Object doesn't support this property or method");
  }
}

TEST_F(ObjectTest, ByReferenceArgumentsAreChangedForTheCaller) {
  Variant counter = std::int32_t{5};
  obj.call("Bump", Variant::ref(counter));
  EXPECT_EQ(counter.toInt32(), 6);
  obj.call("Bump", named("Counter", Variant::ref(counter)));
  EXPECT_EQ(counter.toInt32(), 7);
  // Passed by value, the caller's variable stays as it was.
  obj.call("Bump", counter);
  EXPECT_EQ(counter.toInt32(), 7);
}

TEST_F(ObjectTest, ParameterlessPropertyHandsArgumentsToItsResultsDefaultMember) {
  EXPECT_EQ(obj.get("Items", 2).toString(), "two");
  EXPECT_EQ(obj.get("items").get("", 3).toString(), "three");
  EXPECT_EQ(errorNumber([&] { obj.get("Items", 9); }), err::kSubscriptOutOfRange);
}

TEST_F(ObjectTest, ChainedAccessAndDefaultValue) {
  obj.get("Child").put("Name", "inner");
  EXPECT_EQ(obj.get("Child").get("Name").toString(), "inner");
  obj.get("Items").put("Item", 1, "uno");
  EXPECT_EQ(obj.get("Items").get("Item", 1).toString(), "uno");
  EXPECT_EQ(obj.get("Child").get("Items").get("Count").toInt16(), 3);
  // An object read as text gives its default member.
  EXPECT_EQ(obj.get("Child").toString(), "inner");
}

TEST_F(ObjectTest, FaultsInsideAMemberReachTheCallerAsAutomationErrors) {
  auto caught = [&](const std::function<void()>& f) {
    try {
      f();
    } catch (const AutomationError& e) {
      return std::to_string(e.number()) + " " + e.description() + " (" + e.source() + ")";
    } catch (...) {
      return std::string("not an automation error");
    }
    return std::string("no error");
  };
  EXPECT_EQ(caught([&] { obj.call("Fail", "memory"); }), "7 Out of memory (Thing.Fail)");
  EXPECT_EQ(caught([&] { obj.call("Fail", "index"); }), "9 Subscript out of range (Thing.Fail)");
  EXPECT_EQ(caught([&] { obj.call("Fail", "logic"); }), "51 Internal error (Thing.Fail)");
  EXPECT_EQ(caught([&] { obj.call("Fail", "other"); }), "51 Internal error (Thing.Fail)");
  EXPECT_EQ(caught([&] { obj.get("Broken"); }), "9 Subscript out of range (Thing.Broken)");
  EXPECT_EQ(caught([&] { obj.put("Broken", 1); }), "7 Out of memory (Thing.Broken)");
  // An automation error passes unchanged, also from an object reached through another one.
  EXPECT_EQ(caught([&] { obj.call("Fail", "automation"); }), "53 File not found (Thing.Fail)");
  EXPECT_EQ(caught([&] { obj.get("Child").call("Fail", "memory"); }), "7 Out of memory (Thing.Fail)");
  // The caller's own unwinding is no fault of the member's.
  EXPECT_THROW(obj.get("Child").call("Fail", "abort"), CallerAbort);
  // The object stays usable afterwards.
  EXPECT_EQ(obj.get("Name").toString(), "thing");
}

}  // namespace
}  // namespace verolin::automation
