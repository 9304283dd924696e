// Administration of a data folder, and the control's whole document road against a folder prepared
// with it: download, lists, seal owner list, seal picture, upload with marks, download again.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "server/admin.h"
#include "server/versions.h"
#include "server_fixture.h"

namespace verolin::server::testing {
namespace {

using Strings = std::vector<std::string>;

TEST(Admin, ControlDocumentRoadOnAFreshFolder) {
  DataFolder data;
  const std::string document = "a Word document";
  {
    Store store(data.path() / "store");
    EXPECT_EQ(putDocument(store, data.write("report.doc", document), "", false).name, "report.jia");
    EXPECT_EQ(addOwner(store, "张三", "zs123", data.write("张三.png", "PNG picture"), false).pictureName,
              "张三.jia");
  }
  ServerOptions options;
  options.dataDir = data.path() / "store";
  options.port = 0;
  Server server(options);
  server.start();
  httplib::Client http("127.0.0.1", server.port());
  auto get = [&](const std::string& q) { return http.Get(("/page?" + q).c_str()); };

  // Download: the container, then both lists (none yet).
  const auto downloaded = crypto::decryptBytes(get("filetype=1&RequestType=DOWN&filename=report.jia")->body);
  EXPECT_EQ(downloaded.bytes, document);
  EXPECT_EQ(downloaded.extension, "doc");
  EXPECT_LE(get("filetype=1&filename=report.jia&RequestType=GetHandWritdData")->body.size(), 4u);
  EXPECT_LE(get("filetype=1&filename=report.jia&RequestType=GetSignInfoData")->body.size(), 4u);

  // Seal: the typed password checks against the list, and opens the picture.
  const auto owners = parseList(get("RequestType=GetSealList")->body);
  ASSERT_EQ(owners.groups[0], Strings{"张三"});
  EXPECT_EQ(owners.groups[1][0], crypto::encodeSealPassword("zs123"));
  const auto picture =
      get("RequestType=GetSealPicture&userName=" + wire("张三") + "&fileName=" + wire(owners.groups[2][0]));
  EXPECT_EQ(crypto::decryptBytes(picture->body, "zs123").bytes, "PNG picture");

  // Upload with the new marks, then download again.
  const std::string q =
      "Dn=" + wire("张三§") + "&Dt=" + wire("2008年3月5日9时7分0秒§") + "&Di=" + wire("1§") +
      "&Sn=" + wire("李四§") + "&St=" + wire("2008年3月5日9时8分0秒§") + "&Si=" + wire("2§") +
      "&linkstr=" + wire("ǐ") + "&splitstr=" + wire("§") + "&savetype=1&RequestType=UPLOAD&path=report.jia";
  ASSERT_EQ(http.Post(("/page?" + q).c_str(), container("edited"), "application/octet-stream")->status, 200);
  EXPECT_EQ(crypto::decryptBytes(get("filetype=1&RequestType=DOWN&filename=report.jia")->body).bytes,
            "edited");
  const auto signs = parseList(get("filetype=1&filename=report.jia&RequestType=GetHandWritdData")->body);
  EXPECT_EQ(signs.groups[0], Strings{"李四"});
  const auto seals = parseList(get("filetype=1&filename=report.jia&RequestType=GetSignInfoData")->body);
  EXPECT_EQ(seals.groups[0], Strings{"张三"});
  EXPECT_EQ(seals.groups[1], Strings{"1"});
  EXPECT_EQ(seals.groups[2], Strings{"2008年3月5日9时7分0秒"});
}

TEST(Admin, BadOwnerInputIsRefusedAndKeepsTheOwner) {
  DataFolder data;
  Store store(data.path() / "store");
  const auto picture = data.write("p.png", "PNG");
  addOwner(store, "wang", "right", picture, false);
  EXPECT_THROW(addOwner(store, "wang", "other", picture, false), AdminError);
  EXPECT_THROW(addOwner(store, "li", "", picture, false), AdminError);
  EXPECT_THROW(addOwner(store, "li", "密码", picture, false), AdminError);  // the control compares ASCII only
  EXPECT_THROW(addOwner(store, "li#1", "pw", picture, false), AdminError);
  EXPECT_THROW(addOwner(store, "li", "pw", data.write("noext", "x"), false), AdminError);
  EXPECT_THROW(addOwner(store, "li", "pw", data.path() / "missing.png", false), AdminError);
  EXPECT_THROW(addOwner(store, "li", "pw", data.write("c.png", container("x")), false), AdminError);
  ASSERT_EQ(store.owners().size(), 1u);
  EXPECT_EQ(store.owners()[0].encodedPassword, crypto::encodeSealPassword("right"));
}

TEST(Admin, DocumentNamesTheControlCannotOpenAreWarnedAbout) {
  EXPECT_EQ(documentNameWarning("a.jia", "doc"), "");
  EXPECT_EQ(documentNameWarning("docs/a.jia", "doc"), "");
  EXPECT_NE(documentNameWarning("a.doc", "doc"), "");   // decrypts onto the downloaded copy
  EXPECT_NE(documentNameWarning("a.jia", "docx"), "");  // opened as a.doc
  EXPECT_NE(documentNameWarning("a.b.jia", "doc"), "");
  DataFolder data;
  Store store(data.path() / "store");
  EXPECT_THROW(putDocument(store, data.write("a.doc", "x"), "../a.jia", false), AdminError);
  EXPECT_THROW(putDocument(store, data.write("b.doc", ""), "", false), AdminError);
  EXPECT_TRUE(store.documents().empty());
}

TEST(Admin, GetDecryptsIntoAFileOrAFolder) {
  DataFolder data;
  Store store(data.path() / "store");
  putDocument(store, data.write("a.doc", "plain text"), "", false);
  EXPECT_EQ(DataFolder::read(getDocument(store, "a.jia", data.path() / "out.doc")), "plain text");
  EXPECT_EQ(getDocument(store, "a.jia", data.path() / "in"), data.path() / "in" / "a.doc");
  EXPECT_THROW(getDocument(store, "none.jia", data.path() / "x.doc"), AdminError);
}

// `verolin serve` as a process of its own, on a free port.
class ServeProcess {
 public:
  ServeProcess(const std::string& binary, const std::filesystem::path& data, const std::string& extra = "") {
    pipe_ = ::popen(
        ("echo $$; exec " + binary + " serve --port 0 --quiet --data " + data.string() + " " + extra).c_str(),
        "r");
    char line[512] = {};
    if (!pipe_ || !std::fgets(line, sizeof line, pipe_)) return;
    pid_ = std::atoi(line);
    if (!std::fgets(line, sizeof line, pipe_)) return;  // "serving http://127.0.0.1:PORT/page ..."
    const std::string url(line);
    port_ = std::atoi(url.c_str() + url.find(':', url.find("127.0.0.1")) + 1);
  }
  ~ServeProcess() { stop(SIGKILL); }
  int port() const { return port_; }
  int pid() const { return pid_; }
  // Sends `signal` and returns the exit status.
  int stop(int signal) {
    if (!pipe_) return -1;
    ::kill(pid_, signal);
    const int status = ::pclose(pipe_);
    pipe_ = nullptr;
    return status;
  }

 private:
  FILE* pipe_ = nullptr;
  int pid_ = 0;
  int port_ = 0;
};

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

std::string verolinBinary() {
  const char* binary = std::getenv("VEROLIN_BINARY");
  return binary && std::filesystem::exists(binary) ? binary : "";
}

// The installed commands, end to end: prepare a folder, serve it, ask it, stop it.
TEST(Admin, CommandLineServesWhatItStored) {
  const std::string b = verolinBinary();
  if (b.empty()) GTEST_SKIP() << "verolin is not built";
  DataFolder data;
  const std::string d = " --data " + (data.path() / "store").string();
  const auto doc = data.write("memo.doc", "memo");
  const auto pic = data.write("seal.png", kPngSignature + "rest of the picture");
  ASSERT_EQ(std::system((b + " doc put " + doc.string() + d + " > /dev/null").c_str()), 0);
  ASSERT_EQ(
      std::system(
          ("echo pw123 | " + b + " owner add wang --picture " + pic.string() + d + " > /dev/null").c_str()),
      0);
  EXPECT_NE(std::system(
                (b + " owner add wang --password x --picture " + pic.string() + d + " 2> /dev/null").c_str()),
            0);
  ASSERT_EQ(
      std::system(
          (b + " doc get memo.jia " + (data.path() / "back.doc").string() + d + " > /dev/null").c_str()),
      0);
  EXPECT_EQ(DataFolder::read(data.path() / "back.doc"), "memo");

  ServeProcess serve(b, data.path() / "store");
  ASSERT_GT(serve.port(), 0);
  httplib::Client http("127.0.0.1", serve.port());
  const auto owners = parseList(http.Get("/page?RequestType=GetSealList")->body);
  EXPECT_EQ(owners.groups[1], Strings{crypto::encodeSealPassword("pw123")});
  EXPECT_EQ(crypto::decryptBytes(http.Get("/files/memo.jia")->body).bytes, "memo");
  EXPECT_EQ(serve.stop(SIGTERM), 0);
}

TEST(Admin, ServerKilledMidUploadKeepsThePreviousVersion) {
  const std::string b = verolinBinary();
  if (b.empty()) GTEST_SKIP() << "verolin is not built";
  DataFolder data;
  {
    Store store(data.path() / "store");
    putDocument(store, data.write("a.doc", "version 1"), "", false);
  }
  ServeProcess serve(b, data.path() / "store");
  ASSERT_GT(serve.port(), 0);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(serve.port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string body = container(std::string(200000, 'v')).substr(0, 60000);
  const std::string head =
      "POST /page?RequestType=UPLOAD&path=a.jia HTTP/1.1\r\nHost: x\r\nContent-Length: 200020\r\n\r\n";
  ASSERT_GT(::send(fd, (head + body).data(), head.size() + body.size(), 0), 0);
  for (int i = 0; i < 200 && data.filesIn("store/staging") == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  serve.stop(SIGKILL);
  ::close(fd);

  Store store(data.path() / "store");
  EXPECT_EQ(store.document("a.jia")->version, 1);
  EXPECT_EQ(crypto::decryptBytes(store.openDocument("a.jia")->reader->readAll()).bytes, "version 1");
}

}  // namespace
}  // namespace verolin::server::testing

namespace verolin::server::testing {
namespace {

std::string commandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  if (pipe) ::pclose(pipe);
  return out;
}

TEST(Admin, CommandLineListsConflictCopiesAndTakesOne) {
  const char* binary = std::getenv("VEROLIN_BINARY");
  if (!binary || !std::filesystem::exists(binary)) GTEST_SKIP() << "verolin is not built";
  const std::string b = binary;
  DataFolder data;
  std::string copy;
  {
    Store store(data.path() / "store");
    putDocument(store, data.write("a.doc", "v1"), "", false);
    const std::string base = versionTag(*store.document("a.jia"));
    putDocument(store, data.write("a.doc", "first"), "", false);
    StagedBody body = store.stage();
    const std::string second = container("second");
    body.write(second.data(), second.size());
    copy = store.saveUpload("a.jia", std::move(body), {}, {}, base, "lisi").conflict->name;
  }
  const std::string d = " --data " + (data.path() / "store").string();
  const std::string listed = commandOutput(b + " doc conflicts a.jia" + d);
  EXPECT_EQ(listed.rfind(copy + "\tconflict copy of a.jia\t", 0), 0u) << listed;
  EXPECT_NE(listed.find("\tlisi\n"), std::string::npos) << listed;
  EXPECT_NE(commandOutput(b + " doc list" + d).find("  conflict copy of a.jia, uploaded by lisi\n"),
            std::string::npos);

  EXPECT_NE(commandOutput(b + " doc resolve a.jia --take " + copy + d).find("a.jia is now the version of"),
            std::string::npos);
  Store store(data.path() / "store", Store::Open::kExisting);
  EXPECT_EQ(DataFolder::read(getDocument(store, "a.jia", data.path() / "now.doc")), "second");
  const auto copies = store.copies("a.jia");
  ASSERT_EQ(copies.size(), 1u);
  EXPECT_EQ(DataFolder::read(getDocument(store, copies[0].name, data.path() / "was.doc")), "first");
  EXPECT_NE(std::system((b + " doc resolve a.jia --take nothing.jia" + d + " 2> /dev/null").c_str()), 0);
}

TEST(Admin, SealPicturesAreKnownByTheirContent) {
  EXPECT_EQ(pictureKind(kPngSignature + "data"), "PNG");
  EXPECT_EQ(pictureKind("GIF89a..."), "GIF");
  EXPECT_EQ(pictureKind("\xff\xd8\xff\xe0...."), "JPEG");
  std::string bmp = "BM" + std::string(16, '\0');
  bmp[14] = 40;
  EXPECT_EQ(pictureKind(bmp), "BMP");
  EXPECT_EQ(pictureKind("BM is also how a text may start"), "");
  EXPECT_EQ(pictureKind("PNG"), "");
  EXPECT_EQ(pictureKind(""), "");
  DataFolder data;
  EXPECT_THROW(checkSealPicture(data.write("fake.png", "<html>")), AdminError);
  EXPECT_THROW(checkSealPicture(data.path() / "missing.png"), AdminError);
  EXPECT_NO_THROW(checkSealPicture(data.write("real.png", kPngSignature)));
}

// The quick start of docs/server.md with a session secret: a folder, an owner from a pipe, a secret, the
// server, a minted cookie; then the audit and the access log with its rotation.
TEST(Admin, CommandLineQuickStartWithASessionSecret) {
  const std::string b = verolinBinary();
  if (b.empty()) GTEST_SKIP() << "verolin is not built";
  DataFolder data;
  const std::string d = " --data " + (data.path() / "store").string();
  ASSERT_EQ(
      std::system((b + " doc put " + data.write("report.doc", "memo").string() + d + " > /dev/null").c_str()),
      0);
  EXPECT_NE(std::system(("echo pw | " + b + " owner add 张三 --picture " +
                         data.write("z.png", "not a picture").string() + d + " 2> /dev/null")
                            .c_str()),
            0);
  ASSERT_EQ(std::system(("echo pw | " + b + " owner add 张三 --picture " +
                         data.write("z.png", kPngSignature + "picture").string() + d + " > /dev/null")
                            .c_str()),
            0);
  const auto key = data.write("session.key", "0123456789abcdef0123456789abcdef0123456789abcdef\n");
  const auto minted = data.path() / "cookie";
  ASSERT_EQ(std::system(
                (b + " session mint --secret " + key.string() + " --user 张三 --ttl 1h > " + minted.string())
                    .c_str()),
            0);
  std::string cookie = DataFolder::read(minted);
  ASSERT_EQ(cookie.rfind("verolin_session=", 0), 0u) << cookie;
  cookie.pop_back();  // the line end
  EXPECT_EQ(WEXITSTATUS(std::system(
                (b + " session mint --secret " + key.string() + " --user u --ttl soon 2>/dev/null").c_str())),
            2);

  const auto log = data.path() / "access.log";
  ServeProcess serve(b, data.path() / "store",
                     "--session-secret " + key.string() + " --access-log " + log.string());
  ASSERT_GT(serve.port(), 0);
  httplib::Client http("127.0.0.1", serve.port());
  EXPECT_EQ(http.Get("/page?filetype=1&RequestType=DOWN&filename=report.jia")->status, 403);
  EXPECT_EQ(http.Get("/page?RequestType=GetSealList")->status, 403);
  const httplib::Headers withCookie{{"Cookie", cookie}};
  auto down = http.Get("/page?filetype=1&RequestType=DOWN&filename=report.jia", withCookie);
  ASSERT_EQ(down->status, 200);
  EXPECT_EQ(crypto::decryptBytes(down->body).bytes, "memo");

  // Rotation: the log is moved away, SIGHUP makes the server write a new one under the old name.
  for (int i = 0; i < 300 && DataFolder::read(log).find("\" 200 ") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::filesystem::rename(log, data.path() / "access.log.1");
  ::kill(serve.pid(), SIGHUP);
  for (int i = 0; i < 300 && !std::filesystem::exists(log); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(http.Get("/files/report.jia", withCookie)->status, 200);
  for (int i = 0; i < 300 && DataFolder::read(log).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string rotated = DataFolder::read(data.path() / "access.log.1");
  EXPECT_NE(rotated.find("127.0.0.1 - - ["), std::string::npos) << rotated;
  EXPECT_NE(rotated.find("127.0.0.1 - 张三 ["), std::string::npos) << rotated;
  EXPECT_NE(DataFolder::read(log).find("\"GET /files/report.jia HTTP/1.1\" 200 "), std::string::npos);
  EXPECT_EQ(serve.stop(SIGTERM), 0);

  const auto audit = data.path() / "audit.json";
  ASSERT_EQ(std::system((b + " audit --json --document report.jia" + d + " > " + audit.string()).c_str()), 0);
  const std::string rows = DataFolder::read(audit);
  EXPECT_NE(rows.find("\"user\":\"-\",\"client\":\"127.0.0.1\",\"type\":\"DOWN\",\"document\":\"report.jia\","
                      "\"version\":0,"
                      "\"bytes\":0,\"status\":403}"),
            std::string::npos)
      << rows;
  EXPECT_NE(rows.find("\"user\":\"张三\""), std::string::npos) << rows;
  EXPECT_EQ(rows.find("GetSealList"), std::string::npos) << rows;  // another document
  EXPECT_EQ(WEXITSTATUS(std::system((b + " audit --since yesterday-ish" + d + " 2>/dev/null").c_str())), 2);
}

// At a terminal `owner add` asks for the password twice with echo off: what the user types never
// shows, and what is stored is what was typed.
TEST(Admin, OwnerAddAsksThePasswordAtTheTerminalWithoutEcho) {
  const std::string b = verolinBinary();
  if (b.empty()) GTEST_SKIP() << "verolin is not built";
  DataFolder data;
  const std::string picture = data.write("z.png", kPngSignature + "picture").string();
  const std::string store = (data.path() / "store").string();
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const std::string side = ::ptsname(terminal);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setsid();
    const int user = ::open(side.c_str(), O_RDWR);
    ::dup2(user, 0);
    ::dup2(user, 1);
    ::dup2(user, 2);
    ::close(terminal);
    ::execl(b.c_str(), b.c_str(), "owner", "add", "wang", "--picture", picture.c_str(), "--data",
            store.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string screen;
  // What the terminal shows, until `wanted` appears or the program ends.
  auto readUntil = [&](const std::string& wanted) {
    for (int i = 0; i < 1000 && (wanted.empty() || screen.find(wanted) == std::string::npos); ++i) {
      pollfd ready{terminal, POLLIN, 0};
      if (::poll(&ready, 1, 10) <= 0) continue;
      char buffer[256];
      const ssize_t n = ::read(terminal, buffer, sizeof buffer);
      if (n <= 0) return;
      screen.append(buffer, static_cast<std::size_t>(n));
    }
  };
  readUntil("seal password for wang: ");
  ASSERT_EQ(::write(terminal, "pw123\n", 6), 6);
  readUntil("again: ");
  ASSERT_EQ(::write(terminal, "pw123\n", 6), 6);
  readUntil("added wang");
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
  EXPECT_EQ(screen.find("pw123"), std::string::npos) << screen;
  Store opened(data.path() / "store", Store::Open::kExisting);
  const auto owner = opened.owner("wang");
  ASSERT_TRUE(owner);
  EXPECT_EQ(owner->encodedPassword, crypto::encodeSealPassword("pw123"));
}

}  // namespace
}  // namespace verolin::server::testing
