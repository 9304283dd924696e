// The host object: the user's handlers, forms and dialogs, local files, clock, arguments, transcript.
#include <fstream>

#include "script/http_trace.h"
#include "script_fixture.h"

namespace verolin::script::testing {
namespace {

TEST_F(ScriptTest, MessageBoxAnswersByWordNumberOrDefault) {
  EXPECT_EQ(run("host.print(probe.Ask('a'));"
                "host.onMessageBox = function (text, style, caption) { return text === 'b' ? 'cancel' : 6; };"
                "host.print(probe.Ask('b'), probe.Ask('c'));"
                "host.onMessageBox = null; host.print(probe.Ask('d'));"),
            "");
  EXPECT_EQ(out(), "1\n2 6\n1\n");
  EXPECT_NE(transcript().find("msgbox   [probe] b (style 1) -> Cancel"), std::string::npos);
}

TEST_F(ScriptTest, HandlerErrorEndsTheControlCallAndIsCatchable) {
  EXPECT_EQ(run("host.onMessageBox = function () { throw new Error('no answer'); };\n"
                "try { probe.Ask('x'); } catch (e) { host.print('caught', e.message); }\n"
                "probe.Ask('y');"),
            "test.js:1: Error: no answer");
  EXPECT_EQ(out(), "caught no answer\n");
}

TEST_F(ScriptTest, BadMessageBoxAnswerIsAScriptError) {
  EXPECT_NE(run("host.onMessageBox = function () { return 'maybe'; }; probe.Ask('x');").find("TypeError"),
            std::string::npos);
}

TEST_F(ScriptTest, FormHandlerActsAsTheUser) {
  EXPECT_EQ(run("var kept;"
                "host.onForm = function (form) {"
                "  kept = form;"
                "  host.print(form.name, form.caption, form.get('txtName', 'Text'), form.controls().join());"
                "  form.set('txtName', 'Text', '张三'); form.click('cmdOk'); host.print(form.isOpen());"
                "};"
                "host.print(probe.ShowForm());"
                "try { kept.click('cmdOk'); } catch (e) { host.print('closed'); }"),
            "");
  EXPECT_EQ(out(), "FrmProbe 探针 ? cmdOk,txtName\nfalse\n张三\nclosed\n");
}

TEST_F(ScriptTest, FormWithoutHandlerIsClosedByTheHost) {
  EXPECT_EQ(run("host.print(probe.ShowForm());"), "");
  EXPECT_EQ(out(), "probe\n");
  EXPECT_NE(transcript().find("closed FrmProbe"), std::string::npos);
}

TEST_F(ScriptTest, DialogHandlerChangesFieldsAndConfirms) {
  EXPECT_EQ(run("host.print(probe.ShowDialog());"
                "host.onDialog = function (d) { d.fields.TopMargin = d.fields.TopMargin + 18; return d.id "
                "=== 178; };"
                "host.print(probe.ShowDialog());"),
            "");
  EXPECT_EQ(out(), "0:72\n-1:90\n");
}

TEST_F(ScriptTest, HandlerMustBeAFunction) {
  EXPECT_NE(run("host.onInputBox = 'no';").find("(error 13)"), std::string::npos);
}

TEST_F(ScriptTest, InputBoxHandlerGivesTextOrCancels) {
  standIn_.host.onPropertyChanged = nullptr;
  EXPECT_EQ(
      run("host.onInputBox = function (prompt, title, def) { return prompt === 'p' ? def + '!' : null; };"),
      "");
  EXPECT_EQ(standIn_.host.inputBox("p", "t", "d").value_or("<cancel>"), "d!");
  EXPECT_EQ(standIn_.host.inputBox("q", "t", "d").value_or("<cancel>"), "<cancel>");
}

TEST_F(ScriptTest, FilesLiveOnTheControlsPaths) {
  EXPECT_EQ(run("host.file.write('c:\\\\docs\\\\2006\\\\a.txt', '文字');"
                "host.print(host.file.exists('c:\\\\docs\\\\2006\\\\a.txt'), "
                "host.file.read('C:\\\\DOCS\\\\2006\\\\A.TXT'));"
                "host.file.remove('c:\\\\docs\\\\2006\\\\a.txt'); "
                "host.print(host.file.exists('c:\\\\docs\\\\2006\\\\a.txt'));"),
            "");
  EXPECT_EQ(out(), "true 文字\nfalse\n");
  EXPECT_TRUE(std::filesystem::is_directory(root_ / "c" / "docs" / "2006"));
  EXPECT_NE(run("host.file.read('c:\\\\nope.txt');").find("(error 53)"), std::string::npos);
}

TEST_F(ScriptTest, ClockSetsLocalTimeAndSleepRunsTimers) {
  int ticks = 0;
  standIn_.host.startTimer(1000, [&] { ++ticks; });
  EXPECT_EQ(run("host.print(host.clock('2006-03-05 09:07:02')); host.sleep(2500); host.print(host.clock());"),
            "");
  EXPECT_EQ(out(), "2006-03-05 09:07:02\n2006-03-05 09:07:04\n");
  EXPECT_EQ(ticks, 2);
  EXPECT_NE(run("host.clock('yesterday');"), "");
}

TEST_F(ScriptTest, ArgumentsAndClipboard) {
  EXPECT_EQ(run("host.print(host.args.length, host.args[1]);"
                "host.file.write('c:\\\\sig.png', new Uint8Array([0x89, 0x50, 0x4E, 0x47]));"
                "host.clipboard.setPicture('c:\\\\sig.png');"),
            "");
  EXPECT_EQ(out(), "2 second\n");
  auto data = standIn_.clipboard.data();
  ASSERT_TRUE(data.has_value());
  EXPECT_EQ(data->format, "bitmap");
  EXPECT_EQ(data->bytes, (automation::Bytes{0x89, 0x50, 0x4E, 0x47}));
}

TEST_F(ScriptTest, CookiesGoIntoTheBrowsersJar) {
  EXPECT_EQ(run("host.cookies.set('verolin_session=abc.def');"
                "host.cookies.set('theme', 'dark', 'http://Docs.Example.org:8080/page');"
                "host.print(host.cookies.remove('nothing'));"),
            "");
  EXPECT_EQ(out(), "false\n");
  const auto site = standIn_.cookies.cookiesFor("http://docs.example.org/x");
  ASSERT_EQ(site.size(), 2u);
  EXPECT_EQ(site[0].name + "=" + site[0].value, "theme=dark");
  EXPECT_EQ(site[1].name + "=" + site[1].value, "verolin_session=abc.def");
  EXPECT_EQ(standIn_.cookies.cookiesFor("http://127.0.0.1/").size(), 1u);
  EXPECT_NE(run("host.cookies.set('a', 'two words');").find("host.cookies.set"), std::string::npos);
  EXPECT_NE(run("host.cookies.set('novalue');").find("host.cookies.set"), std::string::npos);
  EXPECT_EQ(run("host.cookies.clear();"), "");
  EXPECT_TRUE(standIn_.cookies.cookiesFor("http://docs.example.org/x").empty());
}

TEST(Transcript, MessageBoxesReadAsAPersonSawThem) {
  EXPECT_EQ(transcriptLine("msgbox", "信息|64|保存数据到服务器完成! -> 1"),
            "msgbox   [信息] 保存数据到服务器完成! (style 64) -> OK");
  EXPECT_EQ(transcriptLine("msgbox", "|65|a|b -> 2"), "msgbox   [] a|b (style 65) -> Cancel");
  EXPECT_EQ(transcriptLine("status", "正在下载文件请稍后.."), "status   正在下载文件请稍后..");
  EXPECT_EQ(transcriptLine("property", "ActiveForm"), "property ActiveForm changed");
}

// A request object that answers every exchange with `status` and `body`, or fails to connect.
class CannedRequest final : public platform::HttpRequest {
 public:
  CannedRequest(int status, std::string body) : status_(status), body_(std::move(body)) {}
  void open(const std::string&, const std::string&, bool) override {}
  void setRequestHeader(const std::string&, const std::string&) override {}
  void send() override { answer(); }
  void send(const automation::Bytes&) override { answer(); }
  void sendFile(const std::filesystem::path&) override { answer(); }
  void receiveInto(const std::filesystem::path&) override {}
  void receiveWith(platform::BodySink) override {}
  int readyState() const override { return done_ ? 4 : 1; }
  int status() const override { return done_ ? status_ : 0; }
  automation::Bytes responseBody() const override { return automation::Bytes(body_.begin(), body_.end()); }
  std::string getResponseHeader(const std::string&) const override { return {}; }

 private:
  void answer() {
    if (status_ == 0) throw automation::AutomationError(automation::err::kEFail, "cannot connect");
    done_ = true;
  }
  int status_;
  std::string body_;
  bool done_ = false;
};

class CannedFactory final : public platform::HttpFactory {
 public:
  explicit CannedFactory(int status) : status_(status) {}
  std::unique_ptr<platform::HttpRequest> create() override {
    return std::make_unique<CannedRequest>(status_, "not here");
  }

 private:
  int status_;
};

TEST(Transcript, EveryExchangeIsOneLineWithItsOutcome) {
  platform::StandInHost host;
  std::vector<std::string> lines;
  host.onTrace = [&](std::string_view category, std::string_view line) {
    lines.push_back(transcriptLine(category, line));
  };
  auto answering = traceHttp(std::make_unique<CannedFactory>(404), host);
  auto request = answering->create();
  request->open("POST", "http://h/page?RequestType=UPLOAD", false);
  request->send(automation::Bytes(5, 'x'));
  auto refusing = traceHttp(std::make_unique<CannedFactory>(0), host);
  request = refusing->create();
  request->open("GET", "http://h/files/a.jia", false);
  EXPECT_THROW(request->send(), automation::AutomationError);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "http     POST http://h/page?RequestType=UPLOAD (5 bytes) -> 404, 8 bytes",
                       "http     GET http://h/files/a.jia -> failed: cannot connect"}));
}

TEST(Transcript, CredentialsInAUrlStayOutOfIt) {
  platform::StandInHost host;
  std::vector<std::string> lines;
  host.onTrace = [&](std::string_view category, std::string_view line) {
    lines.push_back(transcriptLine(category, line));
  };
  auto factory = traceHttp(std::make_unique<CannedFactory>(200), host);
  auto request = factory->create();
  request->open("GET", "http://alice:s3cret@h/files/a.jia?x=a@b", false);
  request->send();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "http     GET http://***@h/files/a.jia?x=a@b -> 200, 8 bytes");
}

}  // namespace
}  // namespace verolin::script::testing
