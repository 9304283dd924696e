// ObjectBase: a Dispatch whose members are declared in a table, with the argument rules of automation.
//
// A subclass declares its members in its constructor:
//   method("Open", {{"FileName"}, {"ReadOnly", opt(false)}}, [this](Args& a) { ... });
//   property("Visible", [this] { return Variant(visible_); }, [this](const Variant& v) { ... });
// ObjectBase then resolves names case-insensitively, maps named arguments onto parameters, fills omitted
// optional ones with their default (or Variant::missing()), refuses missing required ones (449), too many
// (450), unknown names (438, 448), and applies a parameterless property's result's default member to
// extra arguments, as `Windows(1)` means `Windows.Item(1)`. Whatever else a member throws reaches the
// caller as an AutomationError: out of memory (7), an index out of range (9), anything else 51; only a
// CallerAbort passes as it is.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/dispatch.h"

namespace verolin::automation {

struct Param {
  std::string name;
  bool optional = false;
  Variant defaultValue = Variant::missing();
};
// An optional parameter with a default value (the default is what the callee sees when omitted).
inline Param opt(std::string name, Variant defaultValue = Variant::missing()) {
  return Param{std::move(name), true, std::move(defaultValue)};
}

// The arguments of one call, in parameter order, after named ones were placed.
class Args {
 public:
  explicit Args(std::vector<Variant>& values) : values_(values) {}
  std::size_t size() const { return values_.size(); }
  // The argument as passed (possibly by reference: assign() writes back to the caller).
  Variant& operator[](std::size_t i) { return values_.at(i); }
  // True when the caller gave argument i (it is not an omitted optional one).
  bool given(std::size_t i) const { return i < values_.size() && !values_[i].isMissing(); }

 private:
  std::vector<Variant>& values_;
};

class ObjectBase : public Dispatch {
 public:
  using Handler = std::function<Variant(Args&)>;
  using Getter = std::function<Variant()>;
  using Setter = std::function<void(const Variant&)>;
  using IndexedGetter = std::function<Variant(Args&)>;
  using IndexedSetter = std::function<void(Args&, const Variant&)>;

  explicit ObjectBase(std::string typeName) : typeName_(std::move(typeName)) {}

  Variant invoke(std::string_view member, InvokeKind kind, std::span<Variant> args,
                 std::span<NamedArg> named) override;
  std::string typeName() const override { return typeName_; }
  bool hasMember(std::string_view member) const override;
  MemberKind memberKind(std::string_view member) const override;

 protected:
  void method(std::string name, std::vector<Param> params, Handler handler);
  void property(std::string name, Getter get, Setter set = {});
  void indexedProperty(std::string name, std::vector<Param> params, IndexedGetter get, IndexedSetter set = {});
  // The member used for the empty name (DISPID_VALUE), e.g. "Item" of a collection.
  void defaultMember(std::string name) { default_ = std::move(name); }

  // Shared handle to this object as a Variant (for returning `Application` and parents).
  Variant self() { return Variant(shared_from_this()); }

 private:
  struct Member {
    std::string name;
    std::vector<Param> params;
    Handler method;
    IndexedGetter get;
    IndexedSetter set;
    bool isProperty = false;
  };
  const Member* find(std::string_view name) const;
  Variant invokeMember(std::string_view member, InvokeKind kind, std::span<Variant> args,
                       std::span<NamedArg> named);
  std::vector<Variant> arrange(const Member& m, std::span<Variant> args, std::span<NamedArg> named,
                               std::size_t expected) const;

  std::string typeName_;
  std::vector<Member> members_;
  std::string default_;
};

}  // namespace verolin::automation
