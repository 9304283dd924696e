#include "automation/error.h"

namespace verolin::automation {

AutomationError::AutomationError(std::int32_t number, std::string description, std::string source)
    : std::runtime_error(description.empty() ? "automation error " + std::to_string(number) : description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

std::string standardDescription(std::int32_t number) {
  switch (number) {
    case err::kInvalidCall: return "Invalid procedure call or argument";
    case err::kOverflow: return "Overflow";
    case err::kOutOfMemory: return "Out of memory";
    case err::kSubscriptOutOfRange: return "Subscript out of range";
    case err::kTypeMismatch: return "Type mismatch";
    case err::kInternalError: return "Internal error";
    case err::kBadFileName: return "Bad file name or number";
    case err::kFileNotFound: return "File not found";
    case err::kFileAlreadyOpen: return "File already open";
    case err::kFileExists: return "File already exists";
    case err::kDiskFull: return "Disk full";
    case err::kDeviceUnavailable: return "Device unavailable";
    case err::kPermissionDenied: return "Permission denied";
    case err::kDiskNotReady: return "Disk not ready";
    case err::kPathFileAccess: return "Path/File access error";
    case err::kPathNotFound: return "Path not found";
    case err::kInvalidUseOfNull: return "Invalid use of Null";
    case err::kObjectNotSet: return "Object variable or With block variable not set";
    case err::kObjectRequired: return "Object required";
    case err::kCantCreateObject: return "ActiveX component can't create object";
    case err::kMemberNotFound: return "Object doesn't support this property or method";
    case err::kNamedArgNotFound: return "Named argument not found";
    case err::kArgNotOptional: return "Argument not optional";
    case err::kWrongArgCount: return "Wrong number of arguments or invalid property assignment";
    case err::kEFail: return "Unspecified error";
    case err::kENotImpl: return "Not implemented";
    case err::kParamNotFound: return "Parameter not found";
    default: return {};
  }
}

AutomationError errorOf(std::int32_t number, std::string source) {
  return AutomationError(number, standardDescription(number), std::move(source));
}

}  // namespace verolin::automation
