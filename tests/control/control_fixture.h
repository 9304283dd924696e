// A control on stand-in platform services in a fresh root folder, for the control's tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "activex/verolin_activex.h"
#include "control/apartment.h"
#include "platform/standin.h"

namespace verolin::testing {

inline std::filesystem::path freshRoot(const std::string& tag) {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() /
             ("verolin-" + tag + "-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

class ControlFixture : public ::testing::Test {
 protected:
  ControlFixture()
      : root_(freshRoot("control")), standIn_(std::make_unique<platform::StandInPlatform>(root_)) {
    standIn_->host.freezeClock(true);
    standIn_->host.setClock({2026, 12, 7, 9, 5, 3});
    apartment_ = std::make_unique<control::Apartment>(standIn_->platform());
  }
  ~ControlFixture() override {
    if (control_) control_->release();
    control_.reset();
    apartment_.reset();
    standIn_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Creates the control as a page does (Initialize runs).
  automation::Variant createControl() {
    control_ = activex::VerolinActivex::create(*apartment_);
    return automation::Variant(std::static_pointer_cast<automation::Dispatch>(control_));
  }

  platform::StandInHost& host() { return standIn_->host; }
  platform::StandInPlatform& standIn() { return *standIn_; }
  control::ControlState& state() { return apartment_->state(); }
  control::Control& control() { return control_->control(); }
  std::filesystem::path native(const std::string& winPath) { return standIn_->files.nativePath(winPath); }

  std::filesystem::path root_;
  std::unique_ptr<platform::StandInPlatform> standIn_;
  std::unique_ptr<control::Apartment> apartment_;
  std::shared_ptr<activex::VerolinActivex> control_;
};

}  // namespace verolin::testing
