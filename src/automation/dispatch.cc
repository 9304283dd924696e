#include "automation/dispatch.h"

namespace verolin::automation::detail {

Variant invokeOn(const Variant& target, std::string_view member, InvokeKind kind, ArgPack& pack) {
  ObjectRef obj = target.toObject();
  return obj->invoke(member, kind, pack.positional, pack.named);
}

}  // namespace verolin::automation::detail
