// A control with the stand-in word processor and a new document, driven by member names as a page
// drives it; the word processor's own objects are read for the checks.
#pragma once

#include <string>
#include <vector>

#include "control/control_fixture.h"
#include "wordproc/wordproc.h"

namespace verolin::testing {

using automation::AutomationError;
using automation::Variant;

inline constexpr const char* kNoObject = "信息|64|没有可执行的对象.";

class CommandsTest : public ControlFixture {
 protected:
  CommandsTest() {
    wordproc::registerWordApplication(standIn().platform());
    host().onTrace = [this](std::string_view category, std::string_view line) {
      trace.push_back(std::string(category) + " " + std::string(line));
    };
  }
  // The control is released after this class's members are gone; its last words are not kept.
  ~CommandsTest() override { host().onTrace = nullptr; }

  // The control with a new document whose user is 张三; no message box was shown.
  Variant openDocument() {
    Variant c = createControl();
    c.call("AddNewDocument", "", "张三");
    EXPECT_TRUE(host().messages.empty());
    return c;
  }

  Variant word() { return state().wordApp; }
  Variant doc() { return word().get("ActiveDocument"); }
  Variant selection() { return word().get("Selection"); }
  std::string text() { return doc().get("Content").get("Text").toString(); }
  const std::vector<std::string>& messages() { return host().messages; }

  // The automation error number of `call`, 0 when it succeeds.
  template <class F>
  static std::int32_t errorNumber(F call) {
    try {
      call();
    } catch (const AutomationError& e) {
      return e.number();
    }
    return 0;
  }

  std::vector<std::string> trace;
};

}  // namespace verolin::testing
