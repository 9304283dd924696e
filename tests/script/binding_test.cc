// Script values <-> automation values, wrappers of automation objects, by-reference boxes and errors.
#include "script_fixture.h"

namespace verolin::script::testing {
namespace {

TEST_F(ScriptTest, PropertiesReadAndWriteByAnyCaseOfTheirName) {
  EXPECT_EQ(run("probe.NAME = 'x'; host.print(probe.name, probe.Name);"), "");
  EXPECT_EQ(out(), "x x\n");
}

TEST_F(ScriptTest, ArgumentsKeepTheirKindAndUndefinedMeansOmitted) {
  EXPECT_EQ(run("host.print(probe.Echo(1)); host.print(probe.Echo(1.5, 'e'));"
                "host.print(probe.Echo('s', undefined)); host.print(probe.Echo(true, null));"),
            "");
  EXPECT_EQ(out(), "1|omitted\n1.5|\"e\"\n\"s\"|omitted\nTrue|Null\n");
}

TEST_F(ScriptTest, MissingRequiredArgumentIsTheObjectsError) {
  EXPECT_EQ(run("probe.Echo();"), "test.js:1: Error: Probe.Echo: Argument not optional (error 449)");
}

TEST_F(ScriptTest, ByReferenceBoxSeesWhatTheCalleeWrote) {
  EXPECT_EQ(
      run("var n = host.ref(41); probe.Bump(n); host.print(n.value);"
          "var m = host.ref(1); try { probe.BumpThenFail(m); } catch (e) { host.print(e.number, m.value); }"),
      "");
  EXPECT_EQ(out(), "42\n5 2\n");
}

TEST_F(ScriptTest, ObjectsComeBackAsWrappersWithTheirOwnMembers) {
  EXPECT_EQ(run("var c = probe.Child; host.print(c.Name, c.child.name, String(c));"
                "host.print(probe(7), probe.Item(8), probe.Nothing === null);"),
            "");
  EXPECT_EQ(out(), "probe.child probe.child.child [object Probe]\nitem 7 item 8 true\n");
}

TEST_F(ScriptTest, WrappersPassBackIntoCallsAsTheSameObject) {
  EXPECT_EQ(run("host.print(probe.Echo(probe.Child));"), "");
  EXPECT_EQ(out(), "[Probe]|omitted\n");
}

TEST_F(ScriptTest, BytesAndDatesBecomeScriptValues) {
  EXPECT_EQ(run("var b = probe.Bytes; host.print(b.length, b[2], probe.When);"
                "host.print(probe.Echo(new Uint8Array([9, 8])));"),
            "");
  EXPECT_EQ(out().substr(0, out().find('\n')), "3 3 2026-12-07 08:05:03");
}

TEST_F(ScriptTest, UnknownMemberFailsAtTheLineThatNamedIt) {
  EXPECT_EQ(run("var a = 1;\nprobe.Nope;"),
            "test.js:2: Error: Probe.Nope: Object doesn't support this property or method (error 438)");
  EXPECT_EQ(run("'Name' in probe && !('Nope' in probe) || fail();"), "");
}

TEST_F(ScriptTest, ScriptObjectsThatAutomationCannotCarryAreRefused) {
  const std::string failure = run("probe.Echo({a: 1});");
  EXPECT_NE(failure.find("test.js:1:"), std::string::npos);
  EXPECT_NE(failure.find("(error 13)"), std::string::npos);
}

TEST_F(ScriptTest, SyntaxErrorNamesFileAndLine) {
  EXPECT_EQ(run("var a = 1;\nvar = ;").substr(0, 22), "test.js:2: SyntaxError");
}

}  // namespace
}  // namespace verolin::script::testing
