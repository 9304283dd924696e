// A word processor on stand-in platform services in a fresh root folder, with small real pictures.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "automation/automation.h"
#include "platform/standin.h"
#include "wordproc/wordproc.h"

namespace verolin::testing {

using automation::AutomationError;
using automation::Bytes;
using automation::named;
using automation::Variant;

// Runs `f` and returns the automation error number it raised (0 when none).
template <class F>
int errorNumber(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

// Small pictures of each kind, built here byte for byte.
Bytes pngPicture(int width = 4, int height = 3);
Bytes jpegPicture(int width = 8, int height = 6);
Bytes bmpPicture(int width = 3, int height = 2);
Bytes gifPicture();

class WordFixture : public ::testing::Test {
 protected:
  WordFixture();
  ~WordFixture() override;

  // Registers the word processor (as the given version) and creates an application.
  Variant startWord(const std::string& version = "11.0");
  // Writes bytes to a Windows-style path, creating its folder.
  void writeFile(const std::string& winPath, const Bytes& bytes);
  void writeFile(const std::string& winPath, const std::string& text);
  Bytes readFile(const std::string& winPath);
  std::filesystem::path native(const std::string& winPath) { return standIn_->files.nativePath(winPath); }
  // The word processor's transcript lines ("word" category) so far.
  std::vector<std::string> transcript() const { return *trace_; }

  std::filesystem::path root_;
  std::unique_ptr<platform::StandInPlatform> standIn_;
  platform::Platform platform_;
  std::shared_ptr<std::vector<std::string>> trace_ = std::make_shared<std::vector<std::string>>();
};

}  // namespace verolin::testing
