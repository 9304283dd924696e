#include "platform/objects.h"

#include "automation/dispatch.h"
#include "automation/error.h"
#include "text/utf8.h"

namespace verolin::platform {

void ObjectFactory::registerClass(std::string_view progId, Creator creator) {
  classes_[text::toLowerAscii(progId)] = std::move(creator);
}

void ObjectFactory::unregisterClass(std::string_view progId) {
  classes_.erase(text::toLowerAscii(progId));
}

bool ObjectFactory::isRegistered(std::string_view progId) const {
  return classes_.count(text::toLowerAscii(progId)) != 0;
}

automation::ObjectRef ObjectFactory::create(std::string_view progId) const {
  using automation::errorOf;
  const auto it = classes_.find(text::toLowerAscii(progId));
  const bool registered = it != classes_.end() && it->second;
  if (!registered && !fallback_) throw errorOf(automation::err::kCantCreateObject, std::string(progId));
  automation::ObjectRef object;
  try {
    object = registered ? it->second() : fallback_(progId);
  } catch (const std::exception&) {
    // A server that fails to start looks to the caller like one that is not there.
    throw errorOf(automation::err::kCantCreateObject, std::string(progId));
  }
  if (!object) throw errorOf(automation::err::kCantCreateObject, std::string(progId));
  return object;
}

}  // namespace verolin::platform
