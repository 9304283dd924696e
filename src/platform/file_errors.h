// The control's one table of reactions to a file-access error, shared by every routine that opens a
// user's file: some numbers pass silently, 68 and 71 have their own messages (71 is retried), any
// other shows the system's description and the fatal notice.
#pragma once

#include "automation/error.h"
#include "platform/host.h"

namespace verolin::platform {

enum class FileErrorReaction {
  Silent,  // 52, 53, 75, 76: the caller fails without a message
  Shown,   // 68 or any other: a message was shown, the caller fails
  Retry,   // 71: the message was shown, the caller tries the same step again
};

inline constexpr const char* kDeviceMissingText = "指定驱动器或路径不存在！";
inline constexpr const char* kDiskNotReadyText = "驱动器未准备好！";
inline constexpr const char* kUnknownErrorText = "未知名的错误，程序终止！";
inline constexpr const char* kCaptionAttention = "注意";

// Shows what the table says for `error` and tells the caller how to go on.
FileErrorReaction reportFileError(Host& host, const automation::AutomationError& error);

}  // namespace verolin::platform
