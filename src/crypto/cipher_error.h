// The one error type of the cipher core. The control's routines turn the fault into their own
// messages; the tools and the server print what().
#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace verolin::crypto {

enum class CipherFault {
  kNotContainer,      // the data does not start with "LOCKED" (or is shorter than the header)
  kWrongPassword,     // key bytes or password length differ from the container's
  kAlreadyContainer,  // the source to encrypt is already a container
  kEmptySource,       // nothing to encrypt
  kNoBody,            // a container of the header alone
  kBadExtension,      // the stored extension would name a file outside the folder, or a device
  kUnusablePassword,  // a character the key arithmetic cannot take, or more than 255 characters
  kSameFile,          // the result would overwrite the file being read
  kFileAccess,        // the input cannot be opened or read (code() says why)
  kWriteFailed,       // the result could not be written or renamed into place (code() says why)
};

class CipherError : public std::runtime_error {
 public:
  CipherError(CipherFault fault, const std::string& message, std::error_code code = {})
      : std::runtime_error(message), fault_(fault), code_(code) {}

  CipherFault fault() const noexcept { return fault_; }
  // The system error behind kFileAccess and kWriteFailed; empty otherwise.
  std::error_code code() const noexcept { return code_; }

 private:
  CipherFault fault_;
  std::error_code code_;
};

}  // namespace verolin::crypto
