// A real server page on loopback inside the test process, over a fresh data folder, with a
// cpp-httplib client and helpers that build requests the way the control does.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "crypto/crypto.h"
#include "server/list_answer.h"
#include "server/server.h"
#include "text/codepage.h"
#include "text/utf8.h"

namespace verolin::server::testing {

class DataFolder {
 public:
  DataFolder() {
    static int counter = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("verolin-server-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
  }
  ~DataFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

  std::filesystem::path write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(path_ / "in");
    std::ofstream(path_ / "in" / name, std::ios::binary) << bytes;
    return path_ / "in" / name;
  }
  static std::string read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::size_t filesIn(const std::string& sub) const {
    std::size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(path_ / sub)) n += e.is_regular_file();
    return n;
  }

 private:
  std::filesystem::path path_;
};

// A query value as the control's HTTP component sends it: wire code page, percent-encoded.
inline std::string wire(const std::string& utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text::toWire(utf8)) {
    if (c < 0x80 && c != '%' && c != ' ') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// A document container as the control uploads it.
inline std::string container(const std::string& plain, const std::string& extension = "doc") {
  return crypto::encryptBytes(plain, extension, crypto::kTransferPassword);
}

// The control's list parse: separators from the first two characters, then three groups.
struct ParsedList {
  std::string link, split;
  std::array<std::vector<std::string>, 3> groups;
};
inline ParsedList parseList(const std::string& wireBody) {
  const std::string t = text::fromWire(wireBody);
  ParsedList parsed;
  if (text::length(t) <= 4) return parsed;
  parsed.link = text::mid(t, 1, 1);
  parsed.split = text::mid(t, 2, 1);
  const auto parts = text::split(text::mid(t, 3), parsed.link);
  for (std::size_t g = 0; g < 3 && g < parts.size(); ++g)
    parsed.groups[g] = splitList(parts[g], parsed.split);
  return parsed;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override { start(); }

  void start(ServerOptions options = {}) {
    options.dataDir = data_.path() / "store";
    options.host = "127.0.0.1";
    options.port = 0;
    server_ = std::make_unique<Server>(std::move(options));
    server_->start();
    client_ = std::make_unique<httplib::Client>("127.0.0.1", server_->port());
  }
  void restart(ServerOptions options = {}) {
    client_.reset();
    server_.reset();
    start(std::move(options));
  }

  httplib::Result get(const std::string& query) { return client_->Get(("/page?" + query).c_str()); }
  httplib::Result post(const std::string& query, const std::string& body) {
    return client_->Post(("/page?" + query).c_str(), body, "application/octet-stream");
  }
  // Request 1 of the control: the six new-mark lists, the separators, the mode and the path.
  httplib::Result upload(const std::string& path, const std::string& body, const std::string& sealNames = "",
                         const std::string& sealTimes = "", const std::string& sealIds = "",
                         const std::string& signNames = "", const std::string& signTimes = "",
                         const std::string& signIds = "") {
    const std::string query = "Dn=" + wire(sealNames) + "&Dt=" + wire(sealTimes) + "&Di=" + wire(sealIds) +
                              "&Sn=" + wire(signNames) + "&St=" + wire(signTimes) + "&Si=" + wire(signIds) +
                              "&linkstr=" + wire(std::string(kDefaultLinkStr)) +
                              "&splitstr=" + wire(std::string(kDefaultSplitStr)) +
                              "&savetype=1&RequestType=UPLOAD&path=" + wire(path);
    return post(query, body);
  }
  httplib::Result down(const std::string& name) {
    return get("filetype=1&RequestType=DOWN&filename=" + wire(name));
  }
  ParsedList lists(const std::string& name, const std::string& type) {
    auto res = get("filetype=1&filename=" + wire(name) + "&RequestType=" + type);
    EXPECT_TRUE(res);
    return parseList(res ? res->body : std::string());
  }

  DataFolder data_;
  std::unique_ptr<Server> server_;
  std::unique_ptr<httplib::Client> client_;
};

inline std::string operator""_s(const char* s, std::size_t n) {
  return std::string(s, n);
}

}  // namespace verolin::server::testing
