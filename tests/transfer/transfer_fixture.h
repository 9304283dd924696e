// A control on the stand-in platform with the real request object, a loopback server page, a clock
// frozen at 2006-03-05 09:07:02 and a fresh drive folder per test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "control/apartment.h"
#include "control/control.h"
#include "platform/curl_http.h"
#include "platform/standin.h"
#include "transfer/test_server.h"

namespace verolin::transfer::testing {

// The word processor holds its open document against writing, deleting and renaming, but lets other
// programs read it: the upload encrypts the open document. The file layer's lock denies reading too,
// so reading is let through here.
class SharedReadFiles final : public platform::FileSystemWrapper {
 public:
  explicit SharedReadFiles(platform::FileSystem& target) : FileSystemWrapper(target), target_(target) {}
  automation::Bytes read(std::string_view p) override {
    Unlocked unlocked(target_, p);
    return target_.read(p);
  }
  std::unique_ptr<std::istream> openRead(std::string_view p) override {
    Unlocked unlocked(target_, p);
    return target_.openRead(p);
  }

 private:
  // Lifts the lock for one read and puts it back.
  class Unlocked {
   public:
    Unlocked(platform::FileSystem& files, std::string_view path) : files_(files), path_(path) {
      locked_ = files_.isLocked(path_);
      if (locked_) files_.unlock(path_);
    }
    ~Unlocked() {
      if (locked_) files_.lock(path_);
    }
    Unlocked(const Unlocked&) = delete;
    Unlocked& operator=(const Unlocked&) = delete;

   private:
    platform::FileSystem& files_;
    std::string path_;
    bool locked_ = false;
  };
  platform::FileSystem& target_;
};

class TransferTest : public ::testing::Test {
 protected:
  explicit TransferTest(platform::HttpOptions options = {})
      : root_(std::filesystem::temp_directory_path() /
              ("verolin-transfer-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))),
        platform_(root_),
        sharedReadFiles_(platform_.files) {
    platform_.http = platform::makeCurlHttpFactory(options);
    platform::Platform services = platform_.platform();
    services.files = &sharedReadFiles_;
    platform_.host.setClock({2006, 3, 5, 9, 7, 2});
    platform_.host.freezeClock(true);
    apartment_ = std::make_unique<control::Apartment>(services);
    control_ = std::make_unique<control::Control>(*apartment_);
    state().activeForm = server_.form();
  }
  ~TransferTest() override {
    control_.reset();
    apartment_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  control::Apartment& apartment() { return *apartment_; }
  control::Control& control() { return *control_; }
  control::ControlState& state() { return control_->state(); }
  platform::StandInHost& host() { return platform_.host; }
  platform::MappedFileSystem& files() { return platform_.files; }

  // Message boxes shown so far, as "caption|style|text".
  const std::vector<std::string>& messages() { return platform_.host.messages; }

  // Files in the working folder c:\temp\, by name.
  std::set<std::string> tempFiles() {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(files().nativePath("c:\\temp\\"))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  std::string readFile(const std::string& path) {
    std::ifstream in(files().nativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(files().nativePath(path), std::ios::binary) << bytes;
  }

  TestServer server_;

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path root_;
  platform::StandInPlatform platform_;
  SharedReadFiles sharedReadFiles_;
  std::unique_ptr<control::Apartment> apartment_;
  std::unique_ptr<control::Control> control_;
};

}  // namespace verolin::transfer::testing
