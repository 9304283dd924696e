// Automation errors: a number and a description, as a page script or Basic sees them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace verolin::automation {

// Error numbers the control and its stand-ins raise. Basic run-time errors keep their small numbers;
// COM failures keep their HRESULT, read as a signed 32-bit value.
namespace err {
inline constexpr std::int32_t kInvalidCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kBadFileName = 52;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kFileAlreadyOpen = 55;
inline constexpr std::int32_t kFileExists = 58;
inline constexpr std::int32_t kDiskFull = 61;
inline constexpr std::int32_t kDeviceUnavailable = 68;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kDiskNotReady = 71;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kCantCreateObject = 429;
inline constexpr std::int32_t kMemberNotFound = 438;
inline constexpr std::int32_t kNamedArgNotFound = 448;
inline constexpr std::int32_t kArgNotOptional = 449;
inline constexpr std::int32_t kWrongArgCount = 450;
inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);
inline constexpr std::int32_t kENotImpl = static_cast<std::int32_t>(0x80004001u);
inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);  // DISP_E_PARAMNOTFOUND
}  // namespace err

class AutomationError : public std::runtime_error {
 public:
  AutomationError(std::int32_t number, std::string description, std::string source = {});

  std::int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

// The runtime's own description of a Basic error number ("" when it has none).
std::string standardDescription(std::int32_t number);

// An error with the runtime's own description of `number`.
AutomationError errorOf(std::int32_t number, std::string source = {});

}  // namespace verolin::automation
