// The errors the word processor raises, with the numbers and descriptions its automation clients know.
#pragma once

#include <string>
#include <string_view>

#include "automation/error.h"

namespace verolin::wordproc {

namespace wderr {
inline constexpr int kCommandFailed = 4198;
inline constexpr int kNoDocumentOpen = 4248;
inline constexpr int kNotAvailable = 4605;
inline constexpr int kBadFileName = 5152;
inline constexpr int kFileNotFound = 5174;
inline constexpr int kFileInUse = 5356;
inline constexpr int kWrongPassword = 5485;
inline constexpr int kCorruptFile = 5792;
inline constexpr int kObjectDeleted = 5825;
inline constexpr int kNoSuchMember = 5941;
inline constexpr int kValueOutOfRange = 4608;
inline constexpr int kProtectedSelection = 6124;
inline constexpr int kServerGone = 462;
}  // namespace wderr

// "Command failed" (4198).
automation::AutomationError commandFailed();
// "This command is not available because no document is open." (4248).
automation::AutomationError noDocumentOpen();
// "This method or property is not available because <reason>." (4605).
automation::AutomationError notAvailable(std::string_view reason);
// "The requested member of the collection does not exist." (5941).
automation::AutomationError noSuchMember();
// "The password is incorrect." (5485).
automation::AutomationError wrongPassword();
// "You are not allowed to edit this selection because it is protected." (6124).
automation::AutomationError protectedSelection();
// "Object has been deleted." (5825): a document, shape or control that is gone.
automation::AutomationError objectDeleted();
// "Value out of range" (4608).
automation::AutomationError valueOutOfRange();
// The file errors of Open, SaveAs and AddPicture, naming the path as the word processor does.
automation::AutomationError fileNotFound(std::string_view path);
automation::AutomationError badFileName(std::string_view path);
automation::AutomationError fileInUse(std::string_view path);
automation::AutomationError corruptFile(std::string_view path, std::string_view why);
// The application has quit: every call on its objects fails as on a vanished server (462).
automation::AutomationError serverGone();

}  // namespace verolin::wordproc
