// Re-entry: the page's script calls the control again from inside every message pump of the four
// long operations that wait (upload, download, open, create). Whatever it calls is refused or
// harmless, the first operation completes, and nothing the user wrote is lost.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "activex/verolin_activex.h"
#include "control/apartment.h"
#include "crypto/crypto.h"
#include "platform/curl_http.h"
#include "platform/standin.h"
#include "transfer/test_server.h"
#include "wordproc/wordproc.h"

namespace verolin::testing {
namespace {

using automation::Variant;

constexpr const char* kBusy = "信息|64|至少还有一个任务没有完成,请稍后..";
const std::string kEdits = "edits of document A";

// The stand-in host with a hook at every call of the message pump.
class PumpHookHost final : public platform::Host {
 public:
  explicit PumpHookHost(platform::StandInHost& inner) : inner_(inner) {}
  void pumpMessages(int times) override {
    ++pumps;
    if (onPump) onPump(pumps);
    inner_.pumpMessages(times);
  }
  TimerId startTimer(int ms, std::function<void()> tick) override {
    return inner_.startTimer(ms, std::move(tick));
  }
  void stopTimer(TimerId id) override { inner_.stopTimer(id); }
  automation::DateTime now() override { return inner_.now(); }
  std::int64_t tickMs() override { return inner_.tickMs(); }
  int messageBox(const std::string& text, int style, const std::string& caption) override {
    return inner_.messageBox(text, style, caption);
  }
  std::optional<std::string> inputBox(const std::string& p, const std::string& t,
                                      const std::string& d) override {
    return inner_.inputBox(p, t, d);
  }
  void showModal(platform::Form& form) override { inner_.showModal(form); }
  int showDialog(platform::DialogRequest& request) override { return inner_.showDialog(request); }
  void propertyChanged(const std::string& name) override { inner_.propertyChanged(name); }
  void trace(std::string_view category, std::string_view line) override { inner_.trace(category, line); }

  int pumps = 0;
  std::function<void(int)> onPump;

 private:
  platform::StandInHost& inner_;
};

enum class Operation { kUpload, kDownload, kOpen, kCreate };
enum class Reentry { kUpload, kDownload, kCloseDocument, kOpenWord, kRelease };

const char* nameOf(Operation o) {
  static const char* names[] = {"upload", "download", "open", "create"};
  return names[static_cast<int>(o)];
}
const char* nameOf(Reentry r) {
  static const char* names[] = {"second upload", "download", "CloseDocument", "OpenWord", "release"};
  return names[static_cast<int>(r)];
}

std::string rtf(const std::string& text) {
  return "{\\rtf1\\ansi " + text + "\\par}";
}

// One page with its control, its machine and its server, for one run of an operation.
class Page {
 public:
  Page()
      : root_(std::filesystem::temp_directory_path() /
              ("verolin-reentry-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++))),
        standIn_(root_),
        host_(standIn_.host) {
    standIn_.http = platform::makeCurlHttpFactory({});
    standIn_.host.freezeClock(true);
    standIn_.host.setClock({2008, 3, 5, 9, 7, 0});
    platform::Platform services = standIn_.platform();
    services.host = &host_;
    wordproc::registerWordApplication(services);
    apartment_ = std::make_unique<control::Apartment>(services);
    activex_ = activex::VerolinActivex::create(*apartment_);
    ctl_ = Variant(std::static_pointer_cast<automation::Dispatch>(activex_));
    ctl_.put("ActiveForm", server_.form());
    server_.answer("UPLOAD", "");
    server_.answer("DOWN", crypto::encryptBytes(rtf("document A"), "doc"));
    server_.answer("/b.jia", crypto::encryptBytes(rtf("document B"), "doc"));
    write("c:\\in\\a.doc", rtf("document A"));
    write("c:\\in\\b.doc", rtf("document B"));
  }
  ~Page() {
    host_.onPump = nullptr;
    activex_->release();
    ctl_ = Variant();
    activex_.reset();
    apartment_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // What the operation needs before it starts.
  void prepare(Operation o) {
    if (o != Operation::kUpload) return;
    ctl_.call("AddNewDocument");
    state().wordApp.get("Selection").call("TypeText", kEdits);
  }
  void run(Operation o) {
    switch (o) {
      case Operation::kUpload:
        ctl_.call("UploadFileToServer", "docs", "1", "", "a.jia");
        break;
      case Operation::kDownload:
        ctl_.call("DownFileFromServer", "1", "", "a.jia");
        break;
      case Operation::kOpen:
        ctl_.call("OpenWord", "c:\\in\\a.doc");
        break;
      case Operation::kCreate:
        ctl_.call("AddNewDocument");
        break;
    }
  }
  // The page's script calls in; an error it raises is the script's, and ends only its own call.
  void reenter(Reentry r) {
    busyAtReentry = state().isBusy;
    try {
      switch (r) {
        case Reentry::kUpload:
          ctl_.call("UploadFileToServer", "docs", "1", "", "b.jia");
          break;
        case Reentry::kDownload:
          ctl_.call("DownFileFromServer", "0", "", server_.base() + "/b.jia");
          break;
        case Reentry::kCloseDocument:
          ctl_.call("CloseDocument", false);
          break;
        case Reentry::kOpenWord:
          ctl_.call("OpenWord", "c:\\in\\b.doc");
          break;
        case Reentry::kRelease:
          activex_->release();
          released = true;
          break;
      }
    } catch (const automation::AutomationError& e) {
      reentryError = e.description();
    }
  }

  control::ControlState& state() { return apartment_->state(); }
  std::vector<std::string>& messages() { return standIn_.host.messages; }
  std::string documentText() {
    return state().wordApp.get("ActiveDocument").get("Content").get("Text").toString();
  }
  std::string read(const std::string& path) {
    std::ifstream in(standIn_.files.nativePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool exists(const std::string& path) { return std::filesystem::exists(standIn_.files.nativePath(path)); }
  // The documents the server was sent under `name`, decrypted.
  std::vector<std::string> uploadsOf(const std::string& name) {
    std::vector<std::string> out;
    for (const auto& r : server_.requests()) {
      if (r.target.find("RequestType=UPLOAD") != std::string::npos &&
          r.target.find("path=" + name) != std::string::npos)
        out.push_back(crypto::decryptBytes(r.body).bytes);
    }
    return out;
  }
  bool requested(const std::string& what) {
    for (const auto& t : server_.targets()) {
      if (t.find(what) != std::string::npos) return true;
    }
    return false;
  }
  // Working copies in c:\temp\ that hold the user's edits.
  bool editsOnDisk() {
    for (const auto& e : std::filesystem::directory_iterator(standIn_.files.nativePath("c:\\temp\\"))) {
      std::ifstream in(e.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      if (bytes.find(kEdits) != std::string::npos) return true;
    }
    return false;
  }

  PumpHookHost& host() { return host_; }

  bool busyAtReentry = false;
  bool released = false;
  std::string reentryError;

 private:
  void write(const std::string& path, const std::string& bytes) {
    const auto native = standIn_.files.nativePath(path);
    std::filesystem::create_directories(native.parent_path());
    std::ofstream(native, std::ios::binary) << bytes;
  }
  static int& counter() {
    static int n = 0;
    return n;
  }

  transfer::testing::TestServer server_;
  std::filesystem::path root_;
  platform::StandInPlatform standIn_;
  PumpHookHost host_;
  std::unique_ptr<control::Apartment> apartment_;
  std::shared_ptr<activex::VerolinActivex> activex_;
  Variant ctl_;
};

// The pumps an operation makes when nobody calls in.
int pumpsOf(Operation o) {
  Page page;
  page.prepare(o);
  page.host().pumps = 0;
  page.run(o);
  return page.host().pumps;
}

// Checks what one run left behind; `where` names the run in failures.
void checkRun(Page& page, Operation o, Reentry r, const std::string& where) {
  SCOPED_TRACE(where);
  const bool refused = page.busyAtReentry;
  // A call that came in while the operation was busy changed nothing.
  if (refused) {
    // A download says why; an upload may already stop at finding no document (its first step).
    if (r == Reentry::kDownload) {
      EXPECT_NE(std::find(page.messages().begin(), page.messages().end(), kBusy), page.messages().end());
    }
    EXPECT_TRUE(page.uploadsOf("b.jia").empty());
    EXPECT_FALSE(page.requested("/b.jia"));
  }
  if (page.released) {
    // The page let go during the operation: Terminate ran once the operation had returned.
    EXPECT_TRUE(page.state().wordApp.isEmpty());
    EXPECT_FALSE(page.state().isBusy);
    if (o == Operation::kUpload) {
      EXPECT_EQ(page.uploadsOf("a.jia").size(), 1u);
    }
    return;
  }
  EXPECT_FALSE(page.state().isBusy);
  if (o == Operation::kUpload) {
    // The document went up once, whole, under its own name; or, never confirmed, it is still here.
    const auto sent = page.uploadsOf("a.jia");
    for (const auto& doc : sent) {
      EXPECT_NE(doc.find(kEdits), std::string::npos);
    }
    if (sent.empty()) {
      EXPECT_TRUE(page.editsOnDisk());
    }
    if (refused) {
      EXPECT_EQ(sent.size(), 1u);
      EXPECT_EQ(page.messages().back(), "信息|64|保存数据到服务器完成!");
    }
  }
  if (refused && o != Operation::kUpload) {
    // The operation's document is the one open, and LocalFile names its working copy.
    ASSERT_TRUE(page.state().docOpen);
    ASSERT_FALSE(page.state().wordApp.isEmpty());
    const std::string text = page.documentText();
    EXPECT_EQ(text.find("document B"), std::string::npos);
    if (o != Operation::kCreate) {
      EXPECT_NE(text.find("document A"), std::string::npos);
    }
  }
  if (page.state().docOpen) {
    // Whatever is open is what LocalFile names, on disk.
    ASSERT_FALSE(page.state().wordApp.isEmpty());
    EXPECT_EQ(page.state().wordApp.get("ActiveDocument").get("FullName").toString(), page.state().localFile);
    EXPECT_TRUE(page.exists(page.state().localFile));
  }
}

class ReentryTest : public ::testing::TestWithParam<Operation> {};

TEST_P(ReentryTest, EveryCallFromEveryPumpIsRefusedOrHarmless) {
  const Operation o = GetParam();
  const int pumps = pumpsOf(o);
  ASSERT_GT(pumps, 3);
  RecordProperty("pumps", pumps);
  for (const Reentry r : {Reentry::kUpload, Reentry::kDownload, Reentry::kCloseDocument, Reentry::kOpenWord,
                          Reentry::kRelease}) {
    for (int k = 1; k <= pumps; ++k) {
      Page page;
      page.prepare(o);
      page.host().pumps = 0;
      bool called = false;
      page.host().onPump = [&](int n) {
        if (n != k || called) return;
        called = true;
        page.reenter(r);
      };
      page.run(o);
      page.host().onPump = nullptr;
      ASSERT_TRUE(called);
      checkRun(page, o, r,
               std::string(nameOf(r)) + " during pump " + std::to_string(k) + " of " + std::to_string(pumps) +
                   " of " + nameOf(o) + (page.busyAtReentry ? " (busy)" : " (not busy)"));
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(LongOperations, ReentryTest,
                         ::testing::Values(Operation::kUpload, Operation::kDownload, Operation::kOpen,
                                           Operation::kCreate),
                         [](const auto& info) { return std::string(nameOf(info.param)); });

// Once the page has let go, the control answers no more calls.
TEST(ReleasedControl, AnswersEveryCallWithDisconnected) {
  Page page;
  page.reenter(Reentry::kRelease);
  page.reenter(Reentry::kOpenWord);
  EXPECT_EQ(page.reentryError, "The object invoked has disconnected from its clients");
}

}  // namespace
}  // namespace verolin::testing
