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

  // Registers (or replaces) the class behind a ProgID; ProgIDs compare case-insensitively.
  void registerClass(std::string_view progId, Creator creator);
  void unregisterClass(std::string_view progId);
  bool isRegistered(std::string_view progId) const;

  // A new object of that class; AutomationError 429 when the ProgID is unknown or the creator fails.
  automation::ObjectRef create(std::string_view progId) const;

 private:
  std::map<std::string, Creator> classes_;  // lower-case ProgID
};

}  // namespace verolin::platform
