#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

using automation::AutomationError;

namespace {
constexpr const char* kSource = "Microsoft Word";

AutomationError wordError(int number, std::string text) {
  return AutomationError(number, std::move(text), kSource);
}
}  // namespace

AutomationError commandFailed() {
  return wordError(wderr::kCommandFailed, "Command failed");
}

AutomationError noDocumentOpen() {
  return wordError(wderr::kNoDocumentOpen, "This command is not available because no document is open.");
}

AutomationError notAvailable(std::string_view reason) {
  return wordError(wderr::kNotAvailable,
                   "This method or property is not available because " + std::string(reason) + ".");
}

AutomationError noSuchMember() {
  return wordError(wderr::kNoSuchMember, "The requested member of the collection does not exist.");
}

AutomationError wrongPassword() {
  return wordError(wderr::kWrongPassword, "The password is incorrect.");
}

AutomationError protectedSelection() {
  return wordError(wderr::kProtectedSelection,
                   "You are not allowed to edit this selection because it is protected.");
}

AutomationError objectDeleted() {
  return wordError(wderr::kObjectDeleted, "Object has been deleted.");
}

AutomationError valueOutOfRange() {
  return wordError(wderr::kValueOutOfRange, "Value out of range");
}

AutomationError fileNotFound(std::string_view path) {
  return wordError(wderr::kFileNotFound, "This file could not be found.\n(" + std::string(path) + ")");
}

AutomationError badFileName(std::string_view path) {
  return wordError(wderr::kBadFileName, "This is not a valid file name.\n(" + std::string(path) + ")");
}

AutomationError fileInUse(std::string_view path) {
  return wordError(wderr::kFileInUse,
                   "Word cannot save or open this file because it is already open elsewhere.\n(" +
                       std::string(path) + ")");
}

AutomationError corruptFile(std::string_view path, std::string_view why) {
  return wordError(wderr::kCorruptFile, "Word was unable to read this document: " + std::string(why) +
                                            ".\n(" + std::string(path) + ")");
}

AutomationError serverGone() {
  return AutomationError(wderr::kServerGone, "The remote server machine does not exist or is unavailable");
}

}  // namespace verolin::wordproc
