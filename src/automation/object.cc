#include "automation/object.h"

#include <new>
#include <stdexcept>

#include "automation/caller_abort.h"
#include "text/utf8.h"

namespace verolin::automation {

namespace {

// What a caller sees of a fault that escaped a member as a plain C++ exception: a number and the
// runtime's description, never the library's own wording or the exception itself.
AutomationError asAutomationError(std::exception_ptr fault, const std::string& source) {
  try {
    std::rethrow_exception(fault);
  } catch (const std::bad_alloc&) {
    return errorOf(err::kOutOfMemory, source);
  } catch (const std::out_of_range&) {
    return errorOf(err::kSubscriptOutOfRange, source);
  } catch (...) {
    return errorOf(err::kInternalError, source);
  }
}

}  // namespace

const ObjectBase::Member* ObjectBase::find(std::string_view name) const {
  if (name.empty()) name = default_;
  for (const auto& m : members_) {
    if (text::equalsIgnoreCase(m.name, name)) return &m;
  }
  return nullptr;
}

bool ObjectBase::hasMember(std::string_view member) const { return find(member) != nullptr; }

MemberKind ObjectBase::memberKind(std::string_view member) const {
  const Member* m = find(member);
  if (!m) return MemberKind::None;
  if (!m->isProperty) return MemberKind::Method;
  for (const auto& p : m->params) {
    if (!p.optional) return MemberKind::IndexedProperty;
  }
  return MemberKind::Property;
}

void ObjectBase::method(std::string name, std::vector<Param> params, Handler handler) {
  Member m;
  m.name = std::move(name);
  m.params = std::move(params);
  m.method = std::move(handler);
  members_.push_back(std::move(m));
}

void ObjectBase::property(std::string name, Getter get, Setter set) {
  Member m;
  m.name = std::move(name);
  m.isProperty = true;
  if (get) m.get = [g = std::move(get)](Args&) { return g(); };
  if (set) m.set = [s = std::move(set)](Args&, const Variant& v) { s(v); };
  members_.push_back(std::move(m));
}

void ObjectBase::indexedProperty(std::string name, std::vector<Param> params, IndexedGetter get,
                                 IndexedSetter set) {
  Member m;
  m.name = std::move(name);
  m.params = std::move(params);
  m.isProperty = true;
  m.get = std::move(get);
  m.set = std::move(set);
  members_.push_back(std::move(m));
}

std::vector<Variant> ObjectBase::arrange(const Member& m, std::span<Variant> args, std::span<NamedArg> named,
                                         std::size_t count) const {
  if (count > m.params.size()) throw errorOf(err::kWrongArgCount, typeName_ + "." + m.name);
  std::vector<Variant> out(m.params.size(), Variant::missing());
  std::vector<bool> filled(m.params.size(), false);
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = args[i];
    filled[i] = !args[i].isMissing();
  }
  for (auto& n : named) {
    std::size_t k = 0;
    while (k < m.params.size() && !text::equalsIgnoreCase(m.params[k].name, n.name)) ++k;
    if (k == m.params.size() || filled[k]) throw errorOf(err::kNamedArgNotFound, typeName_ + "." + m.name);
    out[k] = n.value;
    filled[k] = !n.value.isMissing();
  }
  for (std::size_t k = 0; k < m.params.size(); ++k) {
    if (filled[k]) continue;
    if (!m.params[k].optional) throw errorOf(err::kArgNotOptional, typeName_ + "." + m.name);
    out[k] = m.params[k].defaultValue;
  }
  return out;
}

Variant ObjectBase::invoke(std::string_view member, InvokeKind kind, std::span<Variant> args,
                           std::span<NamedArg> named) {
  // Every member of every object is reached through here, so this is the one place where a fault inside
  // a member is turned into the error a script can read.
  try {
    return invokeMember(member, kind, args, named);
  } catch (const AutomationError&) {
    throw;
  } catch (const CallerAbort&) {
    throw;
  } catch (...) {
    throw asAutomationError(std::current_exception(), typeName_ + "." + std::string(member));
  }
}

Variant ObjectBase::invokeMember(std::string_view member, InvokeKind kind, std::span<Variant> args,
                                 std::span<NamedArg> named) {
  const Member* m = find(member);
  if (!m) throw errorOf(err::kMemberNotFound, typeName_ + "." + std::string(member));

  if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
    if (!m->isProperty || !m->set || args.empty()) throw errorOf(err::kWrongArgCount, typeName_ + "." + m->name);
    auto values = arrange(*m, args, named, args.size() - 1);
    Args a(values);
    m->set(a, args.back().value());
    return {};
  }

  // A parameterless member given arguments hands them to its result's default member: Windows(1).
  if (m->params.empty() && (!args.empty() || !named.empty())) {
    std::vector<Variant> none;
    Args a(none);
    Variant result = m->isProperty ? (m->get ? m->get(a) : throw errorOf(err::kWrongArgCount)) : m->method(a);
    return result.toObject()->invoke("", kind, args, named);
  }

  auto values = arrange(*m, args, named, args.size());
  Args a(values);
  if (m->isProperty) {
    if (!m->get) throw errorOf(err::kWrongArgCount, typeName_ + "." + m->name);
    return m->get(a);
  }
  return m->method(a);
}

}  // namespace verolin::automation
