#include "com/dispatch_server.h"

#include <new>

#include "automation/caller_abort.h"
#include "com/dispatch_client.h"
#include "com/member_kinds.h"
#include "com/variant.h"
#include "text/utf8.h"

namespace verolin::com {

using automation::AutomationError;
using automation::Variant;
namespace err = automation::err;

namespace {

// Identifiers for names that only the object knows start here, above any a type library declares.
constexpr DISPID kFirstDynamicId = 0x10000;

// Answered only by servers of this module: each loaded copy of the code draws its own identifier, so a
// server of another module (with its own copy of the automation objects) is never taken apart here.
const IID& servedInterface() {
  static const IID iid = [] {
    IID fresh;
    CoCreateGuid(&fresh);
    return fresh;
  }();
  return iid;
}

automation::InvokeKind kindOf(WORD flags, const automation::Dispatch& object, std::string_view name) {
  if (flags & DISPATCH_PROPERTYPUTREF) return automation::InvokeKind::PropertyPutRef;
  if (flags & DISPATCH_PROPERTYPUT) return automation::InvokeKind::PropertyPut;
  if ((flags & DISPATCH_METHOD) && !(flags & DISPATCH_PROPERTYGET)) return automation::InvokeKind::Method;
  if (!(flags & DISPATCH_METHOD)) return automation::InvokeKind::PropertyGet;
  // A script that reads `o.Name` asks for either; a method is called, a property read.
  const auto kind = object.memberKind(name);
  return kind == automation::MemberKind::Method ? automation::InvokeKind::Method
                                                : automation::InvokeKind::PropertyGet;
}

// The HRESULT an error raised by the object's own argument rules stands for when no member table did the
// checking first; anything else is an exception for the caller. A required argument that is absent
// although none was left out means too few were given.
HRESULT dispatchFailure(const AutomationError& e, bool anyOmitted) {
  switch (e.number()) {
    case err::kWrongArgCount:
      return DISP_E_BADPARAMCOUNT;
    case err::kArgNotOptional:
      return anyOmitted ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
    case err::kMemberNotFound:
      return DISP_E_MEMBERNOTFOUND;
    case err::kNamedArgNotFound:
      return DISP_E_PARAMNOTFOUND;
    default:
      return S_OK;
  }
}

Variant convertTo(VARTYPE type, const Variant& v) {
  switch (type) {
    case VT_BSTR:
      return Variant(v.toString());
    case VT_BOOL:
      return Variant(v.toBool());
    case VT_I2:
      return Variant(v.toInt16());
    case VT_I4:
    case VT_INT:
      return Variant(v.toInt32());
    case VT_R4:
      return Variant(static_cast<float>(v.toDouble()));
    case VT_R8:
      return Variant(v.toDouble());
    case VT_DATE:
      return Variant(v.toDate());
    case VT_DISPATCH:
      return v.isNothing() ? Variant(automation::ObjectRef()) : Variant(v.toObject());
    default:
      return v;
  }
}

}  // namespace

std::atomic<long>& moduleReferences() {
  static std::atomic<long> count{0};
  return count;
}

// One call's arguments: the values in source order, with named ones apart.
struct DispatchServer::Call {
  const MemberInfo* member = nullptr;
  DISPPARAMS* params = nullptr;
  bool put = false;
  // Per source-order position: the index into rgvarg, and the value the member receives.
  std::vector<UINT> positionalIndex;
  std::vector<Variant> positional;
  std::vector<UINT> namedIndex;
  std::vector<DISPID> namedId;
  std::vector<Variant> namedValues;
};

MemberTable membersOf(ITypeInfo* info) {
  MemberTable table;
  TYPEATTR* attr = nullptr;
  if (!info || FAILED(info->GetTypeAttr(&attr))) throw automation::errorOf(err::kInternalError);
  const WORD functions = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (WORD i = 0; i < functions; ++i) {
    FUNCDESC* f = nullptr;
    if (FAILED(info->GetFuncDesc(i, &f))) throw automation::errorOf(err::kInternalError);
    BSTR names[64] = {};
    UINT count = 0;
    info->GetNames(f->memid, names, 64, &count);
    MemberInfo* m = nullptr;
    for (auto& existing : table) {
      if (existing.id == f->memid) m = &existing;
    }
    if (!m) {
      table.push_back(MemberInfo{fromBstr(names[0]), f->memid, {}, VT_EMPTY});
      m = &table.back();
    }
    auto typeOf = [](const ELEMDESC& e, bool& byRef) {
      const TYPEDESC* t = &e.tdesc;
      byRef = false;
      if (t->vt == VT_PTR) {
        byRef = true;
        t = t->lptdesc;
      }
      return t->vt;
    };
    if (f->invkind == INVOKE_PROPERTYPUT || f->invkind == INVOKE_PROPERTYPUTREF) {
      bool byRef = false;
      if (f->cParams > 0) m->putType = typeOf(f->lprgelemdescParam[f->cParams - 1], byRef);
    } else {
      m->params.clear();
      for (SHORT p = 0; p < f->cParams; ++p) {
        ParamInfo param;
        if (static_cast<UINT>(p) + 1 < count) param.name = fromBstr(names[p + 1]);
        param.type = typeOf(f->lprgelemdescParam[p], param.byRef);
        param.optional = (f->lprgelemdescParam[p].paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
        m->params.push_back(std::move(param));
      }
    }
    for (UINT n = 0; n < count; ++n) SysFreeString(names[n]);
    info->ReleaseFuncDesc(f);
  }
  return table;
}

DispatchServer::DispatchServer(automation::ObjectRef object, std::shared_ptr<const MemberTable> members,
                               ITypeInfo* typeInfo, const IID& interfaceId)
    : object_(std::move(object)),
      members_(std::move(members)),
      typeInfo_(typeInfo),
      interfaceId_(interfaceId) {
  if (typeInfo_) typeInfo_->AddRef();
  ++moduleReferences();
}

DispatchServer::~DispatchServer() {
  if (typeInfo_) typeInfo_->Release();
  --moduleReferences();
}

HRESULT DispatchServer::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == interfaceId_ || iid == servedInterface()) {
    *out = static_cast<IDispatch*>(this);
  } else if (iid == kMemberKindsIid) {
    *out = newMemberKinds(static_cast<IDispatch*>(this), object_);
  } else {
    *out = queryMore(iid);
  }
  if (!*out) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

ULONG DispatchServer::AddRef() {
  return ++references_;
}

ULONG DispatchServer::Release() {
  const ULONG left = --references_;
  if (left != 0) return left;
  // Held while it leaves: what it tells others on the way out may hand it around once more, and that
  // must not bring the count to zero a second time.
  ++references_;
  leaving();
  if (--references_ == 0) delete this;
  return 0;
}

HRESULT DispatchServer::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = typeInfo_ ? 1 : 0;
  return S_OK;
}

HRESULT DispatchServer::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (!typeInfo_ || index != 0) return DISP_E_BADINDEX;
  typeInfo_->AddRef();
  *info = typeInfo_;
  return S_OK;
}

const MemberInfo* DispatchServer::memberById(DISPID id) const {
  if (!members_) return nullptr;
  for (const auto& m : *members_) {
    if (m.id == id) return &m;
  }
  return nullptr;
}

const MemberInfo* DispatchServer::memberByName(std::string_view name) const {
  if (!members_) return nullptr;
  for (const auto& m : *members_) {
    if (text::equalsIgnoreCase(m.name, name)) return &m;
  }
  return nullptr;
}

HRESULT DispatchServer::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  auto dynamicId = [this](const std::string& name) {
    for (std::size_t k = 0; k < dynamicNames_.size(); ++k) {
      if (text::equalsIgnoreCase(dynamicNames_[k], name)) return static_cast<DISPID>(kFirstDynamicId + k);
    }
    dynamicNames_.push_back(name);
    return static_cast<DISPID>(kFirstDynamicId + dynamicNames_.size() - 1);
  };

  const std::string member = fromWide(names[0] ? names[0] : L"");
  const MemberInfo* info = memberByName(member);
  if (info) {
    ids[0] = info->id;
  } else if (object_->hasMember(member)) {
    ids[0] = dynamicId(member);
  } else {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT hr = S_OK;
  for (UINT i = 1; i < count; ++i) {
    const std::string param = fromWide(names[i] ? names[i] : L"");
    if (!info) {
      ids[i] = dynamicId(param);
      continue;
    }
    for (std::size_t k = 0; k < info->params.size(); ++k) {
      if (text::equalsIgnoreCase(info->params[k].name, param)) ids[i] = static_cast<DISPID>(k);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchServer::checkArguments(Call& call, UINT* argError) const {
  const MemberInfo& m = *call.member;
  const std::size_t given = call.positional.size();
  if (given > m.params.size()) return DISP_E_BADPARAMCOUNT;
  auto convert = [&](const ParamInfo& p, Variant& value, UINT index) -> HRESULT {
    if (p.type == VT_VARIANT || value.isMissing()) return S_OK;
    try {
      value = convertTo(p.type, value);
    } catch (const AutomationError& e) {
      if (argError) *argError = index;
      return e.number() == err::kOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  };
  std::vector<bool> supplied(m.params.size(), false);
  for (std::size_t i = 0; i < given; ++i) {
    if (HRESULT hr = convert(m.params[i], call.positional[i], call.positionalIndex[i]); FAILED(hr)) return hr;
    supplied[i] = !call.positional[i].isMissing();
    if (!supplied[i] && !m.params[i].optional) {
      if (argError) *argError = call.positionalIndex[i];
      return DISP_E_PARAMNOTOPTIONAL;
    }
  }
  for (std::size_t n = 0; n < call.namedId.size(); ++n) {
    const DISPID id = call.namedId[n];
    if (id < 0 || static_cast<std::size_t>(id) >= m.params.size() || static_cast<std::size_t>(id) < given) {
      if (argError) *argError = call.namedIndex[n];
      return DISP_E_PARAMNOTFOUND;
    }
    if (HRESULT hr = convert(m.params[id], call.namedValues[n], call.namedIndex[n]); FAILED(hr)) return hr;
    supplied[id] = !call.namedValues[n].isMissing();
  }
  for (std::size_t k = 0; k < m.params.size(); ++k) {
    if (!supplied[k] && !m.params[k].optional) return DISP_E_BADPARAMCOUNT;
  }
  return S_OK;
}

HRESULT DispatchServer::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* exception, UINT* argError) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (!params) params = &none;
  if (params->cArgs < params->cNamedArgs || (params->cArgs > 0 && !params->rgvarg) ||
      (params->cNamedArgs > 0 && !params->rgdispidNamedArgs)) {
    return E_INVALIDARG;
  }

  Call call;
  call.params = params;
  call.member = memberById(id);
  std::string name;
  if (call.member) {
    name = call.member->name;
  } else if (id >= kFirstDynamicId && static_cast<std::size_t>(id - kFirstDynamicId) < dynamicNames_.size()) {
    name = dynamicNames_[id - kFirstDynamicId];
  } else if (id != DISPID_VALUE) {
    return DISP_E_MEMBERNOTFOUND;
  }
  const automation::InvokeKind kind = kindOf(flags, *object_, name);
  call.put = kind == automation::InvokeKind::PropertyPut || kind == automation::InvokeKind::PropertyPutRef;

  // rgvarg holds the arguments last first; named ones come first in it. A put's value is the named
  // argument DISPID_PROPERTYPUT and goes last in source order.
  const UINT named = params->cNamedArgs;
  UINT putIndex = params->cArgs;
  UINT current = 0;
  try {
    for (UINT i = 0; i < named; ++i) {
      if (params->rgdispidNamedArgs[i] == DISPID_PROPERTYPUT) {
        putIndex = i;
        continue;
      }
      current = i;
      call.namedValues.push_back(fromVariant(params->rgvarg[i]));
      call.namedIndex.push_back(i);
      call.namedId.push_back(params->rgdispidNamedArgs[i]);
    }
    for (UINT i = params->cArgs; i > named; --i) {
      current = i - 1;
      call.positional.push_back(fromVariant(params->rgvarg[i - 1]));
      call.positionalIndex.push_back(i - 1);
    }
    if (putIndex < params->cArgs) {
      current = putIndex;
      call.positional.push_back(fromVariant(params->rgvarg[putIndex]));
      call.positionalIndex.push_back(putIndex);
    }
  } catch (const AutomationError& e) {
    // A VARIANT that no automation value can hold (an array of strings, a record).
    if (argError) *argError = current;
    return e.number() == err::kOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
  }
  if (call.put && call.positional.empty()) return DISP_E_BADPARAMCOUNT;

  if (call.member) {
    if (call.put) {
      if (call.member->putType == VT_EMPTY) return DISP_E_MEMBERNOTFOUND;
      // The value is not one of the property's parameters.
      Variant value = call.positional.back();
      const UINT valueIndex = call.positionalIndex.back();
      call.positional.pop_back();
      call.positionalIndex.pop_back();
      HRESULT hr = checkArguments(call, argError);
      call.positional.push_back(value);
      call.positionalIndex.push_back(valueIndex);
      if (FAILED(hr)) return hr;
      if (call.member->putType != VT_VARIANT) {
        try {
          call.positional.back() = convertTo(call.member->putType, value);
        } catch (const AutomationError& e) {
          if (argError) *argError = valueIndex;
          return e.number() == err::kOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
        }
      }
    } else if (HRESULT hr = checkArguments(call, argError); FAILED(hr)) {
      return hr;
    }
  }

  // By-reference arguments reach the member as references to these values; what it assigns goes back.
  const std::vector<Variant> before = call.positional;
  const std::vector<Variant> namedBefore = call.namedValues;
  std::vector<Variant> positional;
  for (std::size_t i = 0; i < call.positional.size(); ++i) {
    const VARIANT& arg = params->rgvarg[call.positionalIndex[i]];
    positional.push_back((arg.vt & VT_BYREF) ? Variant::ref(call.positional[i]) : call.positional[i]);
  }
  std::vector<automation::NamedArg> namedArgs;
  for (std::size_t n = 0; n < call.namedValues.size(); ++n) {
    const VARIANT& arg = params->rgvarg[call.namedIndex[n]];
    std::string paramName;
    const DISPID pid = call.namedId[n];
    if (call.member) {
      paramName = call.member->params.at(static_cast<std::size_t>(pid)).name;
    } else if (pid >= kFirstDynamicId &&
               static_cast<std::size_t>(pid - kFirstDynamicId) < dynamicNames_.size()) {
      paramName = dynamicNames_[pid - kFirstDynamicId];
    } else {
      if (argError) *argError = call.namedIndex[n];
      return DISP_E_PARAMNOTFOUND;
    }
    Variant value = (arg.vt & VT_BYREF) ? Variant::ref(call.namedValues[n]) : call.namedValues[n];
    namedArgs.push_back(automation::NamedArg{std::move(paramName), std::move(value)});
  }

  auto writeBackAll = [&] {
    for (std::size_t i = 0; i < call.positional.size(); ++i) {
      if (call.positional[i] == before[i]) continue;
      try {
        writeBack(call.positional[i], params->rgvarg[call.positionalIndex[i]]);
      } catch (const AutomationError&) {
        // A value the caller's typed variable cannot hold leaves the variable as it was.
      }
    }
    for (std::size_t n = 0; n < call.namedValues.size(); ++n) {
      if (call.namedValues[n] == namedBefore[n]) continue;
      try {
        writeBack(call.namedValues[n], params->rgvarg[call.namedIndex[n]]);
      } catch (const AutomationError&) {
      }
    }
  };

  // Keeps this server alive for the call: a member may pump messages in which the caller lets go of it.
  AddRef();
  HRESULT hr = S_OK;
  try {
    Variant value = object_->invoke(name, kind, positional, namedArgs);
    writeBackAll();
    if (result) toVariant(value.value(), result);
  } catch (const AutomationError& e) {
    writeBackAll();
    bool anyOmitted = false;
    for (const auto& v : before) anyOmitted = anyOmitted || v.isMissing();
    for (const auto& v : namedBefore) anyOmitted = anyOmitted || v.isMissing();
    const HRESULT plain = call.member ? S_OK : dispatchFailure(e, anyOmitted);
    hr = FAILED(plain) ? plain : reportError(e, exception);
  } catch (const automation::CallerAbort&) {
    writeBackAll();
    hr = reportError(automation::errorOf(static_cast<std::int32_t>(E_ABORT), name), exception);
  } catch (const std::bad_alloc&) {
    hr = reportError(automation::errorOf(err::kOutOfMemory, name), exception);
  } catch (...) {
    hr = reportError(automation::errorOf(err::kInternalError, name), exception);
  }
  Release();
  return hr;
}

IDispatch* serveObject(automation::ObjectRef object) {
  return new DispatchServer(std::move(object));
}

automation::ObjectRef servedObject(IDispatch* dispatch) {
  if (!dispatch) return {};
  IDispatch* served = nullptr;
  if (FAILED(dispatch->QueryInterface(servedInterface(), reinterpret_cast<void**>(&served))) || !served)
    return {};
  automation::ObjectRef object = static_cast<DispatchServer*>(served)->object();
  served->Release();
  return object;
}

IDispatch* dispatchOf(const automation::ObjectRef& object) {
  if (auto client = std::dynamic_pointer_cast<DispatchClient>(object)) {
    IDispatch* d = client->dispatch();
    d->AddRef();
    return d;
  }
  return serveObject(object);
}

}  // namespace verolin::com
