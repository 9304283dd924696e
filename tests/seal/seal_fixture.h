// A control on the stand-in platform with the stand-in word processor and the real request object, a
// recording server page on loopback, a frozen clock and a fresh drive folder per test; driven by
// member names as a page script drives it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "activex/verolin_activex.h"
#include "control/apartment.h"
#include "crypto/crypto.h"
#include "platform/curl_http.h"
#include "platform/form.h"
#include "platform/standin.h"
#include "text/codepage.h"
#include "transfer/test_server.h"
#include "wordproc/wordproc.h"

namespace verolin::seal::testing {

using automation::Variant;

// A one-pixel PNG picture.
inline std::string dotPicture() {
  static const unsigned char bytes[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00,
      0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01,
      0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

// A seal picture as the server keeps it: encrypted with the owner's seal password.
inline std::string sealContainer(const std::string& password, const std::string& picture = dotPicture(),
                                 const std::string& extension = "png") {
  return crypto::encryptBytes(picture, extension, password);
}

class SealTest : public ::testing::Test {
 protected:
  SealTest()
      : root_(std::filesystem::temp_directory_path() /
              ("verolin-seal-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))),
        standIn_(std::make_unique<platform::StandInPlatform>(root_)) {
    standIn_->http = platform::makeCurlHttpFactory({});
    standIn_->host.freezeClock(true);
    standIn_->host.setClock({2008, 3, 5, 9, 7, 0});
    wordproc::registerWordApplication(standIn_->platform());
    apartment_ = std::make_unique<control::Apartment>(standIn_->platform());
    activex_ = activex::VerolinActivex::create(*apartment_);
    ctl_ = Variant(std::static_pointer_cast<automation::Dispatch>(activex_));
    ctl_.put("ActiveForm", server_.form());
  }
  ~SealTest() override {
    host().onForm = nullptr;
    activex_->release();
    ctl_ = Variant();
    activex_.reset();
    apartment_.reset();
    standIn_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  platform::StandInHost& host() { return standIn_->host; }
  control::Control& control() { return activex_->control(); }
  control::ControlState& state() { return apartment_->state(); }
  Variant word() { return state().wordApp; }
  // Message boxes so far, as "caption|style|text".
  std::vector<std::string>& messages() { return standIn_->host.messages; }

  void newDocument() { ctl_.call("AddNewDocument"); }
  int shapeCount() { return word().get("ActiveDocument").get("Shapes").get("Count").toInt32(); }

  // The owner list: names, encoded passwords and picture files, in the default separators.
  void answerOwners(const std::vector<std::string>& names, const std::vector<std::string>& passwords,
                    const std::vector<std::string>& pictures) {
    std::string body = "ǐ§";
    for (const auto* group : {&names, &passwords, &pictures}) {
      if (group != &names) body += "ǐ";
      for (const auto& item : *group) body += item + "§";
    }
    server_.answer("GetSealList", text::toWire(body));
  }
  // The usual pair: 张三 (zs123, zhang.jia) and 李四 (ls456, li.jia); the picture answer is 张三's.
  void answerTwoOwners() {
    answerOwners({"张三", "李四"}, {crypto::encodeSealPassword("zs123"), crypto::encodeSealPassword("ls456")},
                 {"zhang.jia", "li.jia"});
    server_.answer("GetSealPicture", sealContainer("zs123"));
  }

  // The user at the seal window: `act` runs while it is open.
  void electronSeal(std::function<void(platform::Form&)> act) {
    host().onForm = [act](platform::Form& form) {
      if (form.name() == "FrmMySign") act(form);
    };
    ctl_.call("ElectronSeal", "GetSealList", "GetSealPicture");
  }
  static void choose(platform::Form& form, int k, const std::string& password) {
    form.control("comUserList").set("ListIndex", k);
    form.control("txtPassword").set("Text", password);
  }

  std::vector<std::string> pictureRequests() {
    std::vector<std::string> out;
    for (const auto& t : server_.targets()) {
      if (t.find("RequestType=GetSealPicture") != std::string::npos) out.push_back(t);
    }
    return out;
  }
  std::set<std::string> tempFiles() {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(native("c:\\temp\\"))) {
      if (e.is_regular_file()) names.insert(e.path().filename());
    }
    return names;
  }
  std::filesystem::path native(const std::string& path) { return standIn_->files.nativePath(path); }
  std::string readFile(const std::string& path) {
    std::ifstream in(native(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void writeFile(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(native(path).parent_path());
    std::ofstream(native(path), std::ios::binary) << bytes;
  }

  transfer::testing::TestServer server_;
  Variant ctl_;

 private:
  static int& counter() {
    static int n = 0;
    return n;
  }
  std::filesystem::path root_;
  std::unique_ptr<platform::StandInPlatform> standIn_;
  std::unique_ptr<control::Apartment> apartment_;
  std::shared_ptr<activex::VerolinActivex> activex_;
};

}  // namespace verolin::seal::testing
