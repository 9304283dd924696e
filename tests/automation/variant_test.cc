#include <gtest/gtest.h>

#include "automation/automation.h"

namespace verolin::automation {
namespace {

std::int32_t errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST(VariantConversion, IntegerConversionRoundsHalvesToEven) {
  EXPECT_EQ(Variant(2.5).toInt16(), 2);
  EXPECT_EQ(Variant(3.5).toInt16(), 4);
  EXPECT_EQ(Variant(-2.5).toInt16(), -2);
  EXPECT_EQ(Variant(-3.5).toInt16(), -4);
  EXPECT_EQ(Variant(2.51).toInt16(), 3);
  EXPECT_EQ(Variant("  4.5 ").toInt16(), 4);
  EXPECT_EQ(Variant(-32768.5).toInt16(), -32768);
  EXPECT_EQ(Variant(2147483646.5).toInt32(), 2147483646);
}

TEST(VariantConversion, IntegerOverflowIsError6) {
  EXPECT_EQ(Variant(32767.4).toInt16(), 32767);
  EXPECT_EQ(errorNumber([] { Variant(32767.5).toInt16(); }), err::kOverflow);
  EXPECT_EQ(errorNumber([] { Variant(-32768.51).toInt16(); }), err::kOverflow);
  EXPECT_EQ(errorNumber([] { Variant(std::int32_t{40000}).toInt16(); }), err::kOverflow);
  EXPECT_EQ(errorNumber([] { Variant(2147483647.5).toInt32(); }), err::kOverflow);
}

TEST(VariantConversion, BooleanIsMinusOneAndReadsTrueFalseText) {
  EXPECT_EQ(Variant(true).toInt16(), kVariantTrue);
  EXPECT_EQ(Variant(false).toInt32(), 0);
  EXPECT_EQ(Variant(Variant(true).toDouble()).toString(), "-1");
  EXPECT_EQ(Variant(true).toString(), "True");
  EXPECT_TRUE(Variant("True").toBool());
  EXPECT_TRUE(Variant(" true ").toBool());
  EXPECT_FALSE(Variant("FALSE").toBool());
  EXPECT_FALSE(Variant("0").toBool());
  EXPECT_TRUE(Variant("-2").toBool());
  EXPECT_TRUE(Variant(0.1).toBool());
  EXPECT_EQ(Variant("True").toInt16(), -1);
}

TEST(VariantConversion, MismatchNullAndObjectErrors) {
  EXPECT_EQ(errorNumber([] { Variant("abc").toInt16(); }), err::kTypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant("yes").toBool(); }), err::kTypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant("").toDouble(); }), err::kTypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant::missing().toString(); }), err::kTypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant::null().toString(); }), err::kInvalidUseOfNull);
  EXPECT_EQ(errorNumber([] { Variant("x").toObject(); }), err::kObjectRequired);
  EXPECT_EQ(errorNumber([] { Variant().toObject(); }), err::kObjectNotSet);
  EXPECT_EQ(Variant().toInt16(), 0);
  EXPECT_EQ(Variant().toString(), "");
}

TEST(VariantConversion, TextOfNumbersAsTheRuntimeWritesIt) {
  EXPECT_EQ(Variant(0.5).toString(), "0.5");
  EXPECT_EQ(Variant(-0.5).toString(), "-0.5");
  EXPECT_EQ(Variant(1e20).toString(), "1E+20");
  EXPECT_EQ(Variant(1e-5).toString(), "1E-05");
  EXPECT_EQ(Variant(100.0).toString(), "100");
  EXPECT_EQ(Variant(0.1 + 0.2).toString(), "0.3");
  EXPECT_EQ(Variant(123456789012345.0).toString(), "123456789012345");
  EXPECT_EQ(Variant(1.1f).toString(), "1.1");
  EXPECT_EQ(Variant(std::int16_t{-7}).toString(), "-7");
  EXPECT_EQ(Variant("&HFFFF").toInt32(), -1);
  EXPECT_EQ(Variant("1E3").toInt16(), 1000);
}

TEST(VariantReference, AssignThroughReferenceChangesTheTarget) {
  Variant target = "old";
  Variant ref = Variant::ref(target);
  Variant refToRef = Variant::ref(ref);
  EXPECT_TRUE(ref.isByRef());
  EXPECT_EQ(ref.toString(), "old");
  refToRef.assign(std::int32_t{7});
  EXPECT_EQ(target.type(), VarType::I4);
  EXPECT_EQ(target.toInt32(), 7);
  Variant copy = ref.value();
  EXPECT_FALSE(copy.isByRef());
}

TEST(AutomationDate, OaDateRoundTrips) {
  EXPECT_EQ(toOaDate(DateTime{}), 0.0);
  EXPECT_EQ(toOaDate({2026, 12, 7, 12, 0, 0}), 46363.5);
  EXPECT_EQ(toOaDate({1899, 12, 29, 6, 0, 0}), -1.25);
  for (const DateTime& t : {DateTime{2026, 12, 7, 12, 0, 0}, DateTime{1899, 12, 29, 6, 0, 0},
                            DateTime{2000, 2, 29, 23, 59, 59}, DateTime{1900, 3, 1, 0, 0, 1}}) {
    EXPECT_EQ(fromOaDate(toOaDate(t)), t) << formatIso(t);
  }
  EXPECT_EQ(fromOaDate(46363.99999999), (DateTime{2026, 12, 8, 0, 0, 0}));
}

TEST(AutomationDate, TextForms) {
  const Variant d(DateTime{2026, 12, 7, 8, 5, 3});
  EXPECT_EQ(d.type(), VarType::Date);
  EXPECT_EQ(d.toString(), "2026/12/7 8:05:03");
  EXPECT_EQ(Variant(DateTime{2026, 12, 7}).toString(), "2026/12/7");
  EXPECT_EQ(Variant("2026-12-07 08:05:03").toDate(), (DateTime{2026, 12, 7, 8, 5, 3}));
  EXPECT_EQ(errorNumber([] { parseIso("2026-02-30"); }), err::kTypeMismatch);
}

}  // namespace
}  // namespace verolin::automation
