#include "com/dispatch_client.h"

#include <memory>
#include <vector>

#include "com/dispatch_server.h"
#include "com/member_kinds.h"
#include "com/variant.h"
#include "text/utf8.h"

namespace verolin::com {

using automation::Variant;
namespace err = automation::err;

DispatchClient::DispatchClient(IDispatch* dispatch) : dispatch_(dispatch) {
  dispatch_->AddRef();
}

DispatchClient::~DispatchClient() {
  dispatch_->Release();
}

bool DispatchClient::lookUp(std::string_view member, DISPID& id) const {
  const std::string key = text::toLowerAscii(member);
  if (auto it = ids_.find(key); it != ids_.end()) {
    id = it->second;
    return true;
  }
  if (member.empty()) {
    id = DISPID_VALUE;
    return true;
  }
  std::wstring wide = toWide(member);
  LPOLESTR name = wide.data();
  if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id))) return false;
  ids_[key] = id;
  return true;
}

bool DispatchClient::hasMember(std::string_view member) const {
  DISPID id;
  return lookUp(member, id);
}

automation::MemberKind DispatchClient::memberKind(std::string_view member) const {
  const automation::MemberKind kind = memberKindOf(dispatch_, member);
  if (kind != automation::MemberKind::Unknown) return kind;
  return hasMember(member) ? automation::MemberKind::Unknown : automation::MemberKind::None;
}

std::string DispatchClient::typeName() const {
  if (!typeName_.empty()) return typeName_;
  ITypeInfo* info = nullptr;
  std::string name = "Object";
  if (SUCCEEDED(dispatch_->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) && info) {
    BSTR bstr = nullptr;
    if (SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, &bstr, nullptr, nullptr, nullptr)) && bstr) {
      name = fromBstr(bstr);
      // A dispatch interface's name is the class's with a leading underscore by convention.
      while (!name.empty() && name.front() == '_') name.erase(0, 1);
      SysFreeString(bstr);
    }
    info->Release();
  }
  if (name.empty()) name = "Object";
  typeName_ = name;
  return name;
}

Variant DispatchClient::invoke(std::string_view member, automation::InvokeKind kind, std::span<Variant> args,
                               std::span<automation::NamedArg> named) {
  const std::string source = typeName() + "." + std::string(member);
  DISPID id = DISPID_UNKNOWN;
  if (!lookUp(member, id)) throw automation::errorOf(err::kMemberNotFound, source);

  // Named arguments need their DISPIDs from the same GetIDsOfNames call as the member's name.
  std::vector<DISPID> namedIds;
  if (!named.empty()) {
    std::vector<std::wstring> wide{toWide(member)};
    for (const auto& n : named) wide.push_back(toWide(n.name));
    std::vector<LPOLESTR> names;
    for (auto& w : wide) names.push_back(w.data());
    std::vector<DISPID> all(names.size(), DISPID_UNKNOWN);
    if (FAILED(dispatch_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                        LOCALE_USER_DEFAULT, all.data()))) {
      throw automation::errorOf(err::kNamedArgNotFound, source);
    }
    namedIds.assign(all.begin() + 1, all.end());
  }
  const bool put =
      kind == automation::InvokeKind::PropertyPut || kind == automation::InvokeKind::PropertyPutRef;
  if (put && args.empty()) throw automation::errorOf(err::kWrongArgCount, source);

  // rgvarg: named arguments first (a put's value is named DISPID_PROPERTYPUT), then positional last-first.
  const std::size_t total = args.size() + named.size();
  std::vector<VARIANT> values(total);
  std::vector<VARIANT> targets(total);  // what a by-reference argument points at
  for (auto& v : values) VariantInit(&v);
  for (auto& v : targets) VariantInit(&v);
  std::vector<DISPID> dispids;
  std::vector<Variant*> refs(total, nullptr);
  auto place = [&](std::size_t slot, Variant& value) {
    if (value.isByRef()) {
      toVariant(value.deref(), &targets[slot]);
      values[slot].vt = VT_BYREF | VT_VARIANT;
      values[slot].pvarVal = &targets[slot];
      refs[slot] = &value;
    } else {
      toVariant(value, &values[slot]);
    }
  };
  auto clearAll = [&] {
    for (auto& v : values) VariantClear(&v);
    for (auto& v : targets) VariantClear(&v);
  };

  try {
    std::size_t slot = 0;
    if (put) {
      place(slot++, args.back());
      dispids.push_back(DISPID_PROPERTYPUT);
    }
    for (std::size_t n = 0; n < named.size(); ++n) {
      place(slot++, named[n].value);
      dispids.push_back(namedIds[n]);
    }
    const std::size_t positional = put ? args.size() - 1 : args.size();
    for (std::size_t i = positional; i > 0; --i) place(slot++, args[i - 1]);
  } catch (...) {
    clearAll();
    throw;
  }

  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (kind == automation::InvokeKind::PropertyPut) flags = DISPATCH_PROPERTYPUT;
  if (kind == automation::InvokeKind::PropertyPutRef) flags = DISPATCH_PROPERTYPUTREF;
  DISPPARAMS params{values.data(), dispids.data(), static_cast<UINT>(total),
                    static_cast<UINT>(dispids.size())};
  ScopedVariant result;
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                       put ? nullptr : result.receive(), &info, &argError);
  // The callee may have changed by-reference arguments also when it failed.
  for (std::size_t slot = 0; slot < total; ++slot) {
    if (!refs[slot]) continue;
    try {
      refs[slot]->assign(fromVariant(targets[slot]));
    } catch (const automation::AutomationError&) {
      // A value the automation layer cannot hold leaves the caller's variable as it was.
    }
  }
  clearAll();
  if (FAILED(hr)) throw errorFromInvoke(hr, &info, source);
  return put ? Variant() : fromVariant(result.get());
}

automation::ObjectRef wrapDispatch(IDispatch* dispatch) {
  if (!dispatch) return {};
  if (auto served = servedObject(dispatch)) return served;
  return std::make_shared<DispatchClient>(dispatch);
}

}  // namespace verolin::com
