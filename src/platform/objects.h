// Object creation by ProgID, as CreateObject does.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "automation/variant.h"

namespace verolin::platform {

class ObjectFactory {
 public:
  using Creator = std::function<automation::ObjectRef()>;
  // Creates any ProgID that no registered class serves (the system's own classes); throws
  // AutomationError 429 when it has none.
  using Fallback = std::function<automation::ObjectRef(std::string_view progId)>;

  // Registers (or replaces) the class behind a ProgID; ProgIDs compare case-insensitively.
  void registerClass(std::string_view progId, Creator creator);
  void unregisterClass(std::string_view progId);
  bool isRegistered(std::string_view progId) const;
  // Where the ProgIDs not registered here go; none by default (they are unknown).
  void setFallback(Fallback fallback) { fallback_ = std::move(fallback); }

  // A new object of that class (a registered one first, then the fallback's); AutomationError 429
  // when the ProgID is unknown or the creator fails.
  automation::ObjectRef create(std::string_view progId) const;

 private:
  std::map<std::string, Creator> classes_;  // lower-case ProgID
  Fallback fallback_;
};

}  // namespace verolin::platform
