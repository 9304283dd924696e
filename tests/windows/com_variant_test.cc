// automation::Variant <-> VARIANT, text as BSTR, and errors as EXCEPINFO.
#include "com/variant.h"

#include <gtest/gtest.h>

#include <memory>

#include "com/dispatch_client.h"
#include "com/dispatch_server.h"
#include "com_test_object.h"

namespace verolin::com {
namespace {

using automation::AutomationError;
using automation::Variant;
using automation::VarType;

Variant roundTrip(const Variant& v) {
  ScopedVariant s(v);
  return fromVariant(s.get());
}

TEST(ComText, Utf8AndUtf16RoundTripIncludingSeparatorsAndAstralCharacters) {
  const std::string text = "印章§ǐ签名 \xF0\x9F\x98\x80 end";
  BSTR b = toBstr(text);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(SysStringLen(b), 13u);  // the astral character takes a surrogate pair
  EXPECT_EQ(b[2], L'\u00A7');
  EXPECT_EQ(b[3], L'\u01D0');
  EXPECT_EQ(fromBstr(b), text);
  SysFreeString(b);
  EXPECT_EQ(fromBstr(nullptr), "");
}

TEST(ComText, MalformedInputOnEitherSideBecomesReplacementCharacter) {
  EXPECT_EQ(toWide("a\xFF"
                   "b"),
            std::wstring(L"a\uFFFDb"));
  EXPECT_EQ(toWide("\xE4\xB8"), std::wstring(L"\uFFFD\uFFFD"));  // truncated at the end
  const wchar_t lone[] = {L'x', static_cast<wchar_t>(0xD800), L'y', 0};
  EXPECT_EQ(fromWide(lone), "x\xEF\xBF\xBDy");
  EXPECT_EQ(toWide(std::string("a\0b", 3)).size(), 3u);  // embedded NULs survive
}

TEST(ComVariant, EveryKindTheControlUsesRoundTrips) {
  EXPECT_EQ(roundTrip(Variant()).type(), VarType::Empty);
  EXPECT_EQ(roundTrip(Variant::null()).type(), VarType::Null);
  EXPECT_EQ(roundTrip(Variant(std::int16_t{-7})), Variant(std::int16_t{-7}));
  EXPECT_EQ(roundTrip(Variant(std::int32_t{123456})), Variant(std::int32_t{123456}));
  EXPECT_EQ(roundTrip(Variant(1.5f)), Variant(1.5f));
  EXPECT_EQ(roundTrip(Variant(2.25)), Variant(2.25));
  EXPECT_EQ(roundTrip(Variant("印章")), Variant("印章"));
  EXPECT_EQ(roundTrip(Variant(true)), Variant(true));
  EXPECT_EQ(roundTrip(Variant(false)), Variant(false));
  EXPECT_EQ(roundTrip(Variant::error(static_cast<std::int32_t>(E_FAIL))).errorCode(),
            static_cast<std::int32_t>(E_FAIL));
  EXPECT_TRUE(roundTrip(Variant::missing()).isMissing());
  const automation::DateTime when{2026, 12, 7, 8, 5, 3};
  EXPECT_EQ(roundTrip(Variant(when)).toDate(), when);
}

TEST(ComVariant, BooleansAndMissingHaveTheirAutomationEncoding) {
  ScopedVariant t{Variant(true)};
  EXPECT_EQ(t.get().vt, VT_BOOL);
  EXPECT_EQ(t.get().boolVal, VARIANT_TRUE);
  ScopedVariant m{Variant::missing()};
  EXPECT_EQ(m.get().vt, VT_ERROR);
  EXPECT_EQ(m.get().scode, DISP_E_PARAMNOTFOUND);
  ScopedVariant d{Variant::date(46000.5)};
  EXPECT_EQ(d.get().vt, VT_DATE);
  EXPECT_DOUBLE_EQ(d.get().date, 46000.5);
}

TEST(ComVariant, ByteArraysKeepEveryByteValue) {
  automation::Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  ScopedVariant s{Variant(all)};
  ASSERT_EQ(s.get().vt, VT_ARRAY | VT_UI1);
  EXPECT_EQ(fromVariant(s.get()).toBytes(), all);
  EXPECT_EQ(roundTrip(Variant(automation::Bytes{})).toBytes(), automation::Bytes{});

  // An array with a lower bound other than 0 reads from its first element.
  SAFEARRAYBOUND bound{3, 5};
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_UI1;
  v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
  for (LONG i = 5; i < 8; ++i) {
    BYTE b = static_cast<BYTE>(i * 10);
    SafeArrayPutElement(v.parray, &i, &b);
  }
  EXPECT_EQ(fromVariant(v).toBytes(), (automation::Bytes{50, 60, 70}));
  VariantClear(&v);
}

TEST(ComVariant, KindsWithoutTwinBecomeTheNearestOne) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_UI1;
  v.bVal = 200;
  EXPECT_EQ(fromVariant(v), Variant(std::int16_t{200}));
  v.vt = VT_UI4;
  v.ulVal = 4000000000u;
  EXPECT_EQ(fromVariant(v), Variant(4000000000.0));
  v.vt = VT_I8;
  v.llVal = -5;
  EXPECT_EQ(fromVariant(v), Variant(std::int32_t{-5}));
  v.vt = VT_CY;
  v.cyVal.int64 = 123456;  // 12.3456
  EXPECT_DOUBLE_EQ(fromVariant(v).toDouble(), 12.3456);
  v.vt = VT_DISPATCH;
  v.pdispVal = nullptr;
  EXPECT_TRUE(fromVariant(v).isNothing());
  EXPECT_EQ(fromVariant(v).type(), VarType::Object);
}

TEST(ComVariant, ArraysOfOtherElementsAreTypeMismatch) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = SafeArrayCreateVector(VT_BSTR, 0, 1);
  try {
    fromVariant(v);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), automation::err::kTypeMismatch);
  }
  VariantClear(&v);
}

TEST(ComVariant, ByReferenceValuesAreReadThroughTheirPointers) {
  SHORT i2 = 42;
  BSTR text = toBstr("正文");
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_BOOL;
  inner.boolVal = VARIANT_TRUE;
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BYREF | VT_I2;
  r.piVal = &i2;
  EXPECT_EQ(fromVariant(r), Variant(std::int16_t{42}));
  r.vt = VT_BYREF | VT_BSTR;
  r.pbstrVal = &text;
  EXPECT_EQ(fromVariant(r), Variant("正文"));
  r.vt = VT_BYREF | VT_VARIANT;
  r.pvarVal = &inner;
  EXPECT_EQ(fromVariant(r), Variant(true));
  SysFreeString(text);
}

TEST(ComVariant, WriteBackReachesTypedAndVariantTargets) {
  VARIANT target;
  VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = toBstr("old");
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BYREF | VT_VARIANT;
  r.pvarVal = &target;
  writeBack(Variant(std::int32_t{9}), r);
  EXPECT_EQ(target.vt, VT_I4);  // the previous string was freed, not leaked into the new value
  EXPECT_EQ(target.lVal, 9);

  BSTR text = toBstr("old");
  r.vt = VT_BYREF | VT_BSTR;
  r.pbstrVal = &text;
  writeBack(Variant("新的"), r);
  EXPECT_EQ(fromBstr(text), "新的");
  SysFreeString(text);

  VARIANT_BOOL flag = VARIANT_FALSE;
  r.vt = VT_BYREF | VT_BOOL;
  r.pboolVal = &flag;
  writeBack(Variant("True"), r);
  EXPECT_EQ(flag, VARIANT_TRUE);

  SHORT small = 1;
  r.vt = VT_BYREF | VT_I2;
  r.piVal = &small;
  EXPECT_THROW(writeBack(Variant(std::int32_t{70000}), r), AutomationError);
  EXPECT_EQ(small, 1);
  VariantClear(&target);
}

TEST(ComVariant, ObjectsCrossWithoutASecondWrapper) {
  auto sample = std::make_shared<testing::Sample>();
  ScopedVariant s{Variant(automation::ObjectRef(sample))};
  ASSERT_EQ(s.get().vt, VT_DISPATCH);
  EXPECT_EQ(fromVariant(s.get()).toObject(), sample);  // our own server gives back the object itself

  // A foreign IDispatch is wrapped once and goes back as the same interface pointer.
  IDispatch* foreign = new DispatchServer(sample);
  auto client = std::make_shared<DispatchClient>(foreign);
  ScopedVariant c{Variant(automation::ObjectRef(client))};
  EXPECT_EQ(c.get().pdispVal, foreign);
  foreign->Release();
}

TEST(ComErrors, BasicNumbersTravelInTheControlFacility) {
  EXPECT_EQ(static_cast<std::uint32_t>(scodeOf(429)), 0x800A01ADu);
  EXPECT_EQ(numberOf(scodeOf(429)), 429);
  EXPECT_EQ(scodeOf(automation::err::kEFail), E_FAIL);
  EXPECT_EQ(numberOf(E_FAIL), automation::err::kEFail);
}

TEST(ComErrors, ExceptionInfoCarriesNumberDescriptionAndSource) {
  EXCEPINFO info{};
  const HRESULT hr = reportError(AutomationError(13, "类型不匹配", "VerolinActivex.ElectronSeal"), &info);
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<std::uint32_t>(info.scode), 0x800A000Du);
  const AutomationError back = errorFromInvoke(hr, &info, "fallback");
  EXPECT_EQ(back.number(), 13);
  EXPECT_EQ(back.description(), "类型不匹配");
  EXPECT_EQ(back.source(), "VerolinActivex.ElectronSeal");
  EXPECT_EQ(info.bstrDescription, nullptr);  // the strings were freed and cleared

  const AutomationError plain = errorFromInvoke(DISP_E_BADPARAMCOUNT, nullptr, "Doc.Close");
  EXPECT_EQ(plain.number(), automation::err::kWrongArgCount);
  EXPECT_EQ(plain.source(), "Doc.Close");
  EXPECT_EQ(errorFromInvoke(static_cast<HRESULT>(0x800C0008), nullptr, "").number(),
            static_cast<std::int32_t>(0x800C0008));
}

}  // namespace
}  // namespace verolin::com
