// Files as the word processor shares them: a document it holds open stays readable by other programs
// (the control encrypts it for the upload while it is open), while writing, renaming and deleting it
// are refused. The stand-in file layer's lock refuses reading too, as for a program that holds a file
// exclusively; in a page run every lock is the word processor's, so reads pass through it here.
#pragma once

#include "platform/standin.h"

namespace verolin::script {

class SharedReadFiles final : public platform::FileSystemWrapper {
 public:
  explicit SharedReadFiles(platform::FileSystem& target) : FileSystemWrapper(target), target_(target) {}

  automation::Bytes read(std::string_view path) override;
  std::unique_ptr<std::istream> openRead(std::string_view path) override;
  // A locked source is read; a locked target still refuses.
  void copy(std::string_view from, std::string_view to) override;

 private:
  platform::FileSystem& target_;
};

}  // namespace verolin::script
