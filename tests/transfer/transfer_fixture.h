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

class TransferTest : public ::testing::Test {
 protected:
  explicit TransferTest(platform::HttpOptions options = {})
      : root_(std::filesystem::temp_directory_path() /
              ("verolin-transfer-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))),
        platform_(root_) {
    platform_.http = platform::makeCurlHttpFactory(options);
    platform_.host.setClock({2006, 3, 5, 9, 7, 2});
    platform_.host.freezeClock(true);
    platform::Platform services = platform_.platform();
    apartment_ = std::make_unique<control::Apartment>(services);
    control_ = std::make_unique<control::Control>(*apartment_);
    state().activeForm = server_.form();
  }
  ~TransferTest() override {
    control_.reset();
    std::filesystem::remove_all(root_);
  }

  control::Apartment& apartment() { return *apartment_; }
  control::Control& control() { return *control_; }
  control::ControlState& state() { return apartment_->state(); }
  // The page releases the control (Terminate runs).
  void releaseControl() { control_.reset(); }
  platform::StandInHost& host() { return platform_.host; }
  // Message boxes shown so far, as "caption|style|text".
  const std::vector<std::string>& messages() { return platform_.host.messages; }

  std::set<std::string> tempFiles() {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(native("c:\\temp\\")))
      names.insert(e.path().filename());
    return names;
  }
  std::string readFile(const std::string& path) {
    std::ifstream in(native(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(native(path), std::ios::binary) << bytes;
  }
  std::filesystem::path native(const std::string& path) { return platform_.files.nativePath(path); }

  TestServer server_;

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path root_;
  platform::StandInPlatform platform_;
  std::unique_ptr<control::Apartment> apartment_;
  std::unique_ptr<control::Control> control_;
};

}  // namespace verolin::transfer::testing
