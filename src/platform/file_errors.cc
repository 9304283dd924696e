#include "platform/file_errors.h"

namespace verolin::platform {

FileErrorReaction reportFileError(Host& host, const automation::AutomationError& error) {
  namespace err = automation::err;
  switch (error.number()) {
    case err::kBadFileName:
    case err::kFileNotFound:
    case err::kPathFileAccess:
    case err::kPathNotFound: return FileErrorReaction::Silent;
    case err::kDeviceUnavailable:
      host.messageBox(kDeviceMissingText, mb::kExclamation, kCaptionAttention);
      return FileErrorReaction::Shown;
    case err::kDiskNotReady:
      host.messageBox(kDiskNotReadyText, mb::kExclamation, kCaptionAttention);
      return FileErrorReaction::Retry;
    default:
      host.messageBox(error.description(), mb::kOk, "");
      host.messageBox(kUnknownErrorText, mb::kExclamation, kCaptionAttention);
      return FileErrorReaction::Shown;
  }
}

}  // namespace verolin::platform
