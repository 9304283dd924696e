// The two adapters: an automation object served as IDispatch (as a script engine calls it), and a
// foreign IDispatch used as an automation object.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "com/dispatch_client.h"
#include "com/dispatch_server.h"
#include "com/variant.h"
#include "com_test_object.h"

namespace verolin::com {
namespace {

using automation::AutomationError;
using automation::Variant;

// Calls through IDispatch the way a script engine does: arguments in source order here, reversed in rgvarg.
struct Caller {
  IDispatch* d;
  HRESULT hr = S_OK;
  UINT argError = 99;
  EXCEPINFO info{};
  ScopedVariant result;

  DISPID id(const wchar_t* name) {
    LPOLESTR n = const_cast<LPOLESTR>(name);
    DISPID out = DISPID_UNKNOWN;
    hr = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &out);
    return out;
  }
  // `args` are in source order; the caller keeps ownership of what they hold.
  HRESULT call(const wchar_t* name, std::vector<VARIANT> args,
               WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::vector<DISPID> namedIds = {}) {
    const DISPID member = id(name);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    // Named arguments are the last ones given and come first in rgvarg.
    DISPPARAMS p{reversed.data(), namedIds.data(), static_cast<UINT>(reversed.size()),
                 static_cast<UINT>(namedIds.size())};
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    info = EXCEPINFO{};
    argError = 99;
    hr = d->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result.receive(), &info, &argError);
    return hr;
  }
  ~Caller() {
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
  }
};

VARIANT missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}
VARIANT i4(LONG n) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}
VARIANT refTo(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

class ServerTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    sample_ = std::make_shared<testing::Sample>();
    server_ =
        GetParam() ? new DispatchServer(sample_, testing::sampleMembers()) : new DispatchServer(sample_);
    // BSTRs made properly, since SysStringLen reads the length prefix.
    a_ = SysAllocString(L"甲");
    b_ = SysAllocString(L"乙");
    c_ = SysAllocString(L"丙");
  }
  void TearDown() override {
    server_->Release();
    SysFreeString(a_);
    SysFreeString(b_);
    SysFreeString(c_);
  }
  VARIANT bstr(BSTR b) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = b;
    return v;
  }
  bool typed() const { return GetParam(); }

  std::shared_ptr<testing::Sample> sample_;
  IDispatch* server_ = nullptr;
  BSTR a_, b_, c_;
};

TEST_P(ServerTest, NamesResolveCaseInsensitivelyAndUnknownOnesAreRefused) {
  Caller c{server_};
  const DISPID one = c.id(L"jOiN");
  EXPECT_EQ(c.hr, S_OK);
  EXPECT_EQ(c.id(L"JOIN"), one);
  EXPECT_EQ(c.id(L"NoSuchMember"), DISPID_UNKNOWN);
  EXPECT_EQ(c.hr, DISP_E_UNKNOWNNAME);
}

TEST_P(ServerTest, OmittedArgumentsInTheMiddleAndAtTheEndTakeTheirDefaults) {
  Caller c{server_};
  ASSERT_EQ(c.call(L"Join", {bstr(a_), missing(), bstr(c_)}), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()).toString(), "甲-B-丙");
  ASSERT_EQ(c.call(L"Join", {bstr(a_), bstr(b_), missing()}), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()).toString(), "甲-乙-missing");
  ASSERT_EQ(c.call(L"Join", {bstr(a_)}), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()).toString(), "甲-B-missing");
}

TEST_P(ServerTest, NamedArgumentsReachTheirParameter) {
  Caller c{server_};
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Join"), const_cast<LPOLESTR>(L"C")};
  DISPID ids[2];
  ASSERT_EQ(server_->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids), S_OK);
  // Source order: a positional, then c:=丙 (rgvarg holds the named one first).
  ASSERT_EQ(c.call(L"Join", {bstr(a_), bstr(c_)}, DISPATCH_METHOD, {ids[1]}), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()).toString(), "甲-B-丙");
}

TEST_P(ServerTest, WrongArgumentCountsAreBadParamCount) {
  Caller c{server_};
  EXPECT_EQ(c.call(L"Join", {bstr(a_), bstr(b_), bstr(c_), bstr(a_)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(c.call(L"Join", {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(c.call(L"Swap", {bstr(a_)}), DISP_E_BADPARAMCOUNT);
  // A required argument that the caller left out explicitly is not optional.
  EXPECT_EQ(c.call(L"Join", {missing(), bstr(b_)}), DISP_E_PARAMNOTOPTIONAL);
  if (typed()) {
    EXPECT_EQ(c.argError, 1u);
  }
}

TEST_P(ServerTest, TypeMismatchNamesTheArgument) {
  Caller c{server_};
  BSTR word = SysAllocString(L"abc");
  if (typed()) {
    // A declared Integer refuses text that is not a number, and puArgErr indexes rgvarg (last first).
    EXPECT_EQ(c.call(L"Twice", {bstr(word)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.argError, 0u);
    VARIANT text = bstr(c_);
    EXPECT_EQ(c.call(L"Mark", {refTo(&text), bstr(word)}), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(c.argError, 0u);  // "flag", the second in source order, is rgvarg[0]
    EXPECT_EQ(c.call(L"Mark", {bstr(word)}), S_OK);
    EXPECT_EQ(c.call(L"Twice", {i4(100000)}), DISP_E_OVERFLOW);
    EXPECT_EQ(c.argError, 0u);
    EXPECT_EQ(c.call(L"Twice", {bstr(c_), i4(1)}), DISP_E_BADPARAMCOUNT);
  } else {
    // Without a declared interface the member's own conversion fails inside it: an exception.
    EXPECT_EQ(c.call(L"Twice", {bstr(word)}), DISP_E_EXCEPTION);
    EXPECT_EQ(numberOf(c.info.scode), automation::err::kTypeMismatch);
  }
  SysFreeString(word);
  // A numeric text is converted either way.
  BSTR number = SysAllocString(L" 21 ");
  ASSERT_EQ(c.call(L"Twice", {bstr(number)}), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()), Variant(std::int32_t{42}));
  SysFreeString(number);
}

TEST_P(ServerTest, ByReferenceArgumentsAreWrittenBack) {
  Caller c{server_};
  VARIANT first = i4(1);
  VARIANT second;
  VariantInit(&second);
  second.vt = VT_BSTR;
  second.bstrVal = SysAllocString(L"二");
  ASSERT_EQ(c.call(L"Swap", {refTo(&first), refTo(&second)}), S_OK);
  EXPECT_EQ(fromVariant(first), Variant("二"));
  EXPECT_EQ(fromVariant(second), Variant(std::int32_t{1}));
  VariantClear(&first);
  VariantClear(&second);

  // A typed by-reference BSTR, as an early-bound caller passes it.
  BSTR text = SysAllocString(L"章");
  VARIANT r;
  VariantInit(&r);
  r.vt = VT_BYREF | VT_BSTR;
  r.pbstrVal = &text;
  ASSERT_EQ(c.call(L"Mark", {r}), S_OK);
  EXPECT_EQ(fromBstr(text), "章!");
  SysFreeString(text);
}

TEST_P(ServerTest, FailuresAreExceptionsWithTheirTextsAndStillWriteBack) {
  Caller c{server_};
  VARIANT text;
  VariantInit(&text);
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"印");
  VARIANT yes;
  VariantInit(&yes);
  yes.vt = VT_BOOL;
  yes.boolVal = VARIANT_TRUE;
  ASSERT_EQ(c.call(L"Mark", {refTo(&text), yes}), DISP_E_EXCEPTION);
  EXPECT_EQ(numberOf(c.info.scode), 5001);
  EXPECT_EQ(fromBstr(c.info.bstrDescription), "印章密码错误");
  EXPECT_EQ(fromBstr(c.info.bstrSource), "Sample.Mark");
  EXPECT_EQ(fromVariant(text), Variant("印!"));
  VariantClear(&text);
}

TEST_P(ServerTest, PropertiesAreReadAndWritten) {
  Caller c{server_};
  ASSERT_EQ(c.call(L"name", {}, DISPATCH_PROPERTYGET), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()), Variant("初始"));
  VARIANT value = bstr(b_);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS p{&value, &put, 1, 1};
  EXPECT_EQ(server_->Invoke(c.id(L"Name"), IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr),
            S_OK);
  ASSERT_EQ(c.call(L"Name", {}, DISPATCH_PROPERTYGET | DISPATCH_METHOD), S_OK);
  EXPECT_EQ(fromVariant(c.result.get()), Variant("乙"));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutDeclaredInterface, ServerTest, ::testing::Bool());

TEST(ServerObjects, ObjectsReturnedByMembersAreServedInTurn) {
  auto sample = std::make_shared<testing::Sample>();
  auto outer = std::make_shared<testing::Sample>();
  IDispatch* d = serveObject(outer);
  Caller c{d};
  VARIANT inner;
  VariantInit(&inner);
  inner.vt = VT_DISPATCH;
  inner.pdispVal = serveObject(sample);
  ASSERT_EQ(c.call(L"Echo", {inner}), S_OK);
  ASSERT_EQ(c.result.get().vt, VT_DISPATCH);
  EXPECT_EQ(servedObject(c.result.get().pdispVal), sample);
  VariantClear(&inner);
  c.result.receive();
  d->Release();
}

TEST(ServerObjects, ModuleReferencesCountLiveServers) {
  const long before = moduleReferences();
  IDispatch* d = serveObject(std::make_shared<testing::Sample>());
  EXPECT_EQ(moduleReferences(), before + 1);
  d->AddRef();
  d->Release();
  EXPECT_EQ(moduleReferences(), before + 1);
  d->Release();
  EXPECT_EQ(moduleReferences(), before);
}

// The client adapter is driven through a real IDispatch: our server reached only through COM calls.
class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sample_ = std::make_shared<testing::Sample>();
    IDispatch* d = new DispatchServer(sample_, testing::sampleMembers());
    client_ = std::make_shared<DispatchClient>(d);
    d->Release();
    object_ = Variant(automation::ObjectRef(client_));
  }
  std::shared_ptr<testing::Sample> sample_;
  std::shared_ptr<DispatchClient> client_;
  Variant object_;
};

TEST_F(ClientTest, CallsByNameWithOmittedAndNamedArguments) {
  EXPECT_EQ(object_.call("join", "x", Variant::missing(), "z").toString(), "x-B-z");
  EXPECT_EQ(object_.call("Join", "x", automation::named("c", "z")).toString(), "x-B-z");
  EXPECT_TRUE(client_->hasMember("SWAP"));
  EXPECT_FALSE(client_->hasMember("Nope"));
}

TEST_F(ClientTest, ByReferenceVariablesReceiveWhatTheCalleeStored) {
  Variant first("一");
  Variant second(std::int16_t{2});
  object_.call("Swap", Variant::ref(first), Variant::ref(second));
  EXPECT_EQ(first, Variant(std::int16_t{2}));
  EXPECT_EQ(second, Variant("一"));
}

TEST_F(ClientTest, PropertiesAndFailuresComeBackAsAutomationValuesAndErrors) {
  object_.put("Name", "新名");
  EXPECT_EQ(object_.get("Name").toString(), "新名");
  try {
    object_.call("Mark", "t", true);
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 5001);
    EXPECT_EQ(e.description(), "印章密码错误");
    EXPECT_EQ(e.source(), "Sample.Mark");
  }
  auto numberOfCall = [&](auto&& f) {
    try {
      f();
    } catch (const AutomationError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(numberOfCall([&] { object_.call("Nope"); }), automation::err::kMemberNotFound);
  EXPECT_EQ(numberOfCall([&] { object_.call("Twice", "x"); }), automation::err::kTypeMismatch);
  EXPECT_EQ(numberOfCall([&] { object_.call("Twice", 1, 2); }), automation::err::kWrongArgCount);
}

TEST(ForeignObjects, ASystemObjectIsDrivenByName) {
  // The scripting runtime's dictionary: a foreign automation object that every Wine prefix has.
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"Scripting.Dictionary", &clsid), S_OK);
  IDispatch* d = nullptr;
  ASSERT_EQ(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d)),
      S_OK);
  Variant dict(wrapDispatch(d));
  d->Release();
  dict.call("Add", "印章", std::int32_t{7});
  EXPECT_EQ(dict.get("Count").toInt32(), 1);
  EXPECT_EQ(dict.get("Item", "印章").toInt32(), 7);
  EXPECT_TRUE(dict.call("Exists", "印章").toBool());
  EXPECT_THROW(dict.call("Add", "印章", 1), AutomationError);  // the key exists already
}

TEST(ForeignObjects, ThePlatformsRequestObjectIsDrivenByName) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"Msxml2.XMLHTTP", &clsid), S_OK);
  IDispatch* d = nullptr;
  ASSERT_EQ(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&d)),
      S_OK);
  Variant request(wrapDispatch(d));
  d->Release();
  EXPECT_EQ(request.get("readyState").toInt32(), 0);
  // Omitted trailing arguments (user, password) travel as DISP_E_PARAMNOTFOUND.
  request.call("open", "GET", "http://127.0.0.1:9/none", false, Variant::missing(), Variant::missing());
  EXPECT_EQ(request.get("readyState").toInt32(), 1);
  request.call("setRequestHeader", "Content-Type", "application/octet-stream");
}

}  // namespace
}  // namespace verolin::com
