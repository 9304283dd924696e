// What the member files of the dispatch interface share: parameter shorthands and the default password.
#pragma once

#include <string>

#include "automation/object.h"

namespace verolin::activex {

// The fixed protection password used when a page leaves the password out.
inline constexpr const char* kProtectionPassword = "fesu31";

inline automation::Param str(const char* name) {
  return automation::Param{name};
}
inline automation::Param optStr(const char* name) {
  return automation::opt(name, automation::Variant(std::string()));
}
inline automation::Param optBool(const char* name, bool value = false) {
  return automation::opt(name, automation::Variant(value));
}

}  // namespace verolin::activex
