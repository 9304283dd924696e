#include "script/shared_reads.h"

namespace verolin::script {
namespace {

// Lifts the word processor's lock of `path` for one read and puts it back.
class ReadThroughLock {
 public:
  ReadThroughLock(platform::FileSystem& files, std::string_view path) : files_(files), path_(path) {
    locked_ = files_.isLocked(path_);
    if (locked_) files_.unlock(path_);
  }
  ~ReadThroughLock() {
    if (locked_) files_.lock(path_);
  }
  ReadThroughLock(const ReadThroughLock&) = delete;
  ReadThroughLock& operator=(const ReadThroughLock&) = delete;

 private:
  platform::FileSystem& files_;
  std::string path_;
  bool locked_ = false;
};

}  // namespace

automation::Bytes SharedReadFiles::read(std::string_view path) {
  ReadThroughLock through(target_, path);
  return target_.read(path);
}

std::unique_ptr<std::istream> SharedReadFiles::openRead(std::string_view path) {
  ReadThroughLock through(target_, path);
  return target_.openRead(path);
}

void SharedReadFiles::copy(std::string_view from, std::string_view to) {
  if (target_.isLocked(to)) {
    target_.copy(from, to);  // refused as the target is held
    return;
  }
  ReadThroughLock through(target_, from);
  target_.copy(from, to);
}

}  // namespace verolin::script
