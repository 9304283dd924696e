// Late-bound objects: members called by name, case-insensitively, as through IDispatch.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/variant.h"

namespace verolin::automation {

enum class InvokeKind { Method = 1, PropertyGet = 2, PropertyPut = 4, PropertyPutRef = 8 };

// How a member is reached: a script binding reads a Property at once and hands out a Method or an
// IndexedProperty (one with required parameters) as something to call.
enum class MemberKind { None, Method, Property, IndexedProperty, Unknown };

// The interface every automation object implements.
//
// `args` are in source order (first argument first); a property put passes the new value as the last
// positional argument. An omitted optional argument arrives as Variant::missing(). A callee changes a
// caller's by-reference argument with args[i].assign(...). Failures throw AutomationError.
// The empty member name is the object's default member (DISPID_VALUE).
class Dispatch : public std::enable_shared_from_this<Dispatch> {
 public:
  Dispatch() = default;
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;
  virtual ~Dispatch() = default;

  virtual Variant invoke(std::string_view member, InvokeKind kind, std::span<Variant> args,
                         std::span<NamedArg> named) = 0;

  // Type name for messages and transcripts ("Document", "Window").
  virtual std::string typeName() const { return "Object"; }

  // True when the object has a member of that name (IDispatch::GetIDsOfNames succeeding).
  virtual bool hasMember(std::string_view member) const = 0;

  // The kind of a member; Unknown when the object can only say that it has one.
  virtual MemberKind memberKind(std::string_view member) const {
    return hasMember(member) ? MemberKind::Unknown : MemberKind::None;
  }
};

namespace detail {

struct ArgPack {
  std::vector<Variant> positional;
  std::vector<NamedArg> named;
  void add(NamedArg a) { named.push_back(std::move(a)); }
  template <class T>
  void add(T&& v) {
    positional.emplace_back(std::forward<T>(v));
  }
};

template <class... A>
ArgPack pack(A&&... args) {
  ArgPack p;
  (p.add(std::forward<A>(args)), ...);
  return p;
}

Variant invokeOn(const Variant& target, std::string_view member, InvokeKind kind, ArgPack& pack);

}  // namespace detail

template <class... A>
Variant Variant::get(std::string_view member, A&&... args) const {
  auto p = detail::pack(std::forward<A>(args)...);
  return detail::invokeOn(*this, member, InvokeKind::PropertyGet, p);
}

template <class... A>
Variant Variant::call(std::string_view member, A&&... args) const {
  auto p = detail::pack(std::forward<A>(args)...);
  return detail::invokeOn(*this, member, InvokeKind::Method, p);
}

template <class... A>
void Variant::put(std::string_view member, A&&... argsThenValue) const {
  auto p = detail::pack(std::forward<A>(argsThenValue)...);
  detail::invokeOn(*this, member, InvokeKind::PropertyPut, p);
}

}  // namespace verolin::automation
