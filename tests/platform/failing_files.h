// A file layer that fails chosen operations a given number of times and passes everything else on:
// a drive that is not ready twice and then is, a disk that fills up at the third write.
#pragma once

#include <map>
#include <string>

#include "automation/error.h"
#include "platform/standin.h"

namespace verolin::testing {

class FailingFileSystem : public platform::FileSystemWrapper {
 public:
  using FileSystemWrapper::FileSystemWrapper;

  // The next `times` calls of `operation` ("read", "write", "copy", "rename", "replace", "remove",
  // "createDir", "openRead", "openWrite", "size", "fileExists", "dirExists"; "" for every one) throw error
  // `number` (existence tests answer false instead). Later calls to failNext add to the count.
  void failNext(const std::string& operation, std::int32_t number, int times = 1) {
    auto& f = faults_[operation];
    f.number = number;
    f.left += times;
  }
  int failures() const { return failures_; }

  bool fileExists(std::string_view p) override {
    return !trip("fileExists") && FileSystemWrapper::fileExists(p);
  }
  bool dirExists(std::string_view p) override {
    return !trip("dirExists") && FileSystemWrapper::dirExists(p);
  }
  void createDir(std::string_view p) override {
    check("createDir", p);
    FileSystemWrapper::createDir(p);
  }
  void remove(std::string_view p) override {
    check("remove", p);
    FileSystemWrapper::remove(p);
  }
  void rename(std::string_view a, std::string_view b) override {
    check("rename", a);
    FileSystemWrapper::rename(a, b);
  }
  void replace(std::string_view a, std::string_view b) override {
    check("replace", a);
    FileSystemWrapper::replace(a, b);
  }
  void copy(std::string_view a, std::string_view b) override {
    check("copy", a);
    FileSystemWrapper::copy(a, b);
  }
  std::uint64_t size(std::string_view p) override {
    check("size", p);
    return FileSystemWrapper::size(p);
  }
  automation::Bytes read(std::string_view p) override {
    check("read", p);
    return FileSystemWrapper::read(p);
  }
  void write(std::string_view p, const automation::Bytes& b) override {
    check("write", p);
    FileSystemWrapper::write(p, b);
  }
  std::unique_ptr<std::istream> openRead(std::string_view p) override {
    check("openRead", p);
    return FileSystemWrapper::openRead(p);
  }
  std::unique_ptr<std::ostream> openWrite(std::string_view p) override {
    check("openWrite", p);
    return FileSystemWrapper::openWrite(p);
  }

 private:
  struct Fault {
    std::int32_t number = 0;
    int left = 0;
  };
  // The number of the fault that applies to `operation` now, or 0.
  std::int32_t trip(const std::string& operation) {
    for (const std::string& key : {operation, std::string()}) {
      auto it = faults_.find(key);
      if (it != faults_.end() && it->second.left > 0) {
        --it->second.left;
        ++failures_;
        return it->second.number;
      }
    }
    return 0;
  }
  void check(const std::string& operation, std::string_view path) {
    if (const std::int32_t n = trip(operation)) throw automation::errorOf(n, std::string(path));
  }

  std::map<std::string, Fault> faults_;
  int failures_ = 0;
};

}  // namespace verolin::testing
