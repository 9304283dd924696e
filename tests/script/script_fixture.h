// A script heap over a fresh stand-in platform and control apartment, with `host` installed and a
// probe object whose members exercise the binding, for the script tests.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#include "automation/object.h"
#include "control/apartment.h"
#include "platform/form.h"
#include "platform/standin.h"
#include "script/engine.h"
#include "script/handlers.h"
#include "script/host_api.h"
#include "script/session.h"
#include "script/transcript.h"
#include "script/values.h"

namespace verolin::script::testing {

inline std::filesystem::path freshRoot() {
  std::random_device rd;
  auto dir = std::filesystem::temp_directory_path() /
             ("verolin-script-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  return dir;
}

// An object with one member of each shape the binding must carry.
class Probe final : public automation::ObjectBase {
 public:
  explicit Probe(platform::Host& host, std::string name = "probe")
      : ObjectBase("Probe"), host_(host), name_(name) {
    using automation::Args;
    using automation::opt;
    using automation::Param;
    using automation::Variant;
    property(
        "Name", [this] { return Variant(name_); }, [this](const Variant& v) { name_ = v.toString(); });
    // What arrived, as "kind:value|extra", where an omitted extra reads "omitted".
    method("Echo", {Param{"value"}, opt("extra")}, [](Args& a) {
      return Variant(a[0].debugString() + "|" + (a.given(1) ? a[1].debugString() : std::string("omitted")));
    });
    method("Bump", {Param{"counter"}}, [](Args& a) {
      a[0].assign(Variant(a[0].toInt32() + 1));
      return Variant();
    });
    method("BumpThenFail", {Param{"counter"}}, [](Args& a) -> Variant {
      a[0].assign(Variant(a[0].toInt32() + 1));
      throw automation::AutomationError(automation::err::kInvalidCall, "probe refuses", "Probe.BumpThenFail");
    });
    property("Child", [this] { return Variant(child()); });
    property("Nothing", [] { return Variant(automation::ObjectRef()); });
    property("Bytes", [] { return Variant(automation::Bytes{1, 2, 3}); });
    property("When", [] { return Variant(automation::DateTime{2026, 12, 7, 8, 5, 3}); });
    indexedProperty("Item", {Param{"index"}}, [](Args& a) { return Variant("item " + a[0].toString()); });
    defaultMember("Item");
    method("Ask", {Param{"text"}}, [this](Args& a) {
      return Variant(static_cast<std::int32_t>(host_.messageBox(a[0].toString(), 1, "probe")));
    });
    method("ShowForm", {}, [this](Args&) {
      platform::Form form("FrmProbe", "探针");
      auto& ok = form.add("cmdOk", "button");
      auto& txt = form.add("txtName", "text");
      txt.set("Text", Variant("?"));
      ok.onClick = [this, &form, &txt] {
        name_ = txt.get("Text").toString();
        form.close();
      };
      host_.showModal(form);
      return Variant(name_);
    });
    method("ShowDialog", {}, [this](Args&) {
      platform::DialogRequest request;
      request.id = 178;
      request.caption = "页面设置";
      request.fields["TopMargin"] = Variant(72);
      const int answer = host_.showDialog(request);
      return Variant(std::to_string(answer) + ":" + request.fields["TopMargin"].toString());
    });
  }

  std::shared_ptr<Probe> child() {
    if (!child_) child_ = std::make_shared<Probe>(host_, name_ + ".child");
    return child_;
  }

 private:
  platform::Host& host_;
  std::string name_;
  std::shared_ptr<Probe> child_;
};

class ScriptTest : public ::testing::Test {
 protected:
  ScriptTest()
      : root_(freshRoot()),
        standIn_(root_),
        apartment_(standIn_.platform()),
        session_(standIn_, apartment_, out_),
        engine_(session_) {
    standIn_.host.freezeClock(true);
    standIn_.host.setClock({2026, 12, 7, 9, 0, 0});
    writeTranscript(standIn_.host, log_);
    installHost(ctx(), {"first", "second"});
    probe_ = std::make_shared<Probe>(standIn_.host);
    pushObject(ctx(), probe_);
    duk_put_global_string(ctx(), "probe");
  }
  ~ScriptTest() override {
    detachHandlers(session_);
    standIn_.host.onTrace = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  duk_context* ctx() { return engine_.context(); }
  // Runs `source`; the failure's "file:line: message" first line, or "" when it ran through.
  std::string run(const std::string& source) {
    auto failure = engine_.run(source, "test.js");
    if (!failure) return "";
    const std::string text = failure->describe();
    return text.substr(0, text.find('\n'));
  }
  std::string out() const { return out_.str(); }
  std::string transcript() const { return log_.str(); }

  std::filesystem::path root_;
  std::ostringstream out_;
  std::ostringstream log_;
  platform::StandInPlatform standIn_;
  control::Apartment apartment_;
  Session session_;
  Engine engine_;
  std::shared_ptr<Probe> probe_;
};

}  // namespace verolin::script::testing
