#include <gtest/gtest.h>

#include "automation/object.h"
#include "platform/scratch_root.h"
#include "platform/standin.h"

namespace verolin::platform {
namespace {

namespace err = automation::err;

class Plain : public automation::ObjectBase {
 public:
  Plain() : ObjectBase("Plain") {}
};

TEST(ObjectFactory, CreatesByProgIdOrFailsWith429) {
  ObjectFactory objects;
  objects.registerClass("Word.Application", [] { return std::make_shared<Plain>(); });
  objects.registerClass("Broken.Server", []() -> automation::ObjectRef { throw std::runtime_error("no"); });
  EXPECT_TRUE(objects.isRegistered("WORD.APPLICATION"));
  EXPECT_EQ(objects.create("word.application")->typeName(), "Plain");
  for (const char* progId : {"Broken.Server", "Excel.Application"}) {
    try {
      objects.create(progId);
      ADD_FAILURE() << progId;
    } catch (const automation::AutomationError& e) {
      EXPECT_EQ(e.number(), err::kCantCreateObject);
      EXPECT_EQ(e.description(), "ActiveX component can't create object");
    }
  }
  objects.unregisterClass("Word.Application");
  EXPECT_THROW(objects.create("Word.Application"), automation::AutomationError);
}

TEST(ObjectFactory, FallbackServesOnlyWhatIsNotRegisteredAndItsFailuresAre429) {
  ObjectFactory objects;
  std::vector<std::string> asked;
  objects.setFallback([&](std::string_view progId) -> automation::ObjectRef {
    asked.emplace_back(progId);
    if (progId == "System.Class") return std::make_shared<Plain>();
    throw automation::AutomationError(-2147221005, "Invalid class string");
  });
  objects.registerClass("Word.Application", [] { return std::make_shared<Plain>(); });
  EXPECT_EQ(objects.create("Word.Application")->typeName(), "Plain");
  EXPECT_EQ(objects.create("System.Class")->typeName(), "Plain");
  try {
    objects.create("No.Such.Class");
    ADD_FAILURE() << "an unknown class was created";
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.number(), err::kCantCreateObject);
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"System.Class", "No.Such.Class"}));
}

TEST(MemoryClipboard, PictureComesBeforeText) {
  MemoryClipboard clip;
  EXPECT_EQ(clip.data(), std::nullopt);
  clip.setText("签名");
  EXPECT_EQ(clip.data()->format, "text");
  clip.setPicture({0x89, 'P', 'N', 'G'});
  EXPECT_EQ(clip.data()->format, "bitmap");
  EXPECT_EQ(clip.data("TEXT")->bytes, automation::Bytes({0xE7, 0xAD, 0xBE, 0xE5, 0x90, 0x8D}));
  clip.clear();
  EXPECT_EQ(clip.data("bitmap"), std::nullopt);
}

TEST(Form, ControlsEventsAndClosing) {
  Form form("FrmHandWritd", "手写签名");
  auto& ok = form.add("cmdOk", "button");
  auto& text = form.add("txtPass", "text");
  int clicks = 0, changes = 0, closes = 0;
  ok.onClick = [&] { ++clicks; };
  text.onChange = [&] { ++changes; };
  form.onClose = [&] {
    ++closes;
    form.close();  // the handler unloading the form again
  };
  EXPECT_THROW(form.add("CMDOK", "button"), std::logic_error);
  EXPECT_EQ(form.controlNames(), (std::vector<std::string>{"cmdOk", "txtPass"}));

  form.click("CMDOK");
  ok.set("Enabled", false);
  form.click("cmdOk");  // a disabled button takes no click
  EXPECT_EQ(clicks, 1);
  form.control("txtpass").set("Text", "abc");
  text.set("TEXT", "abc");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(text.get("text").toString(), "abc");
  EXPECT_TRUE(text.get("Caption").isEmpty());
  try {
    form.click("cmdMissing");
    ADD_FAILURE();
  } catch (const automation::AutomationError& e) {
    EXPECT_EQ(e.number(), err::kMemberNotFound);
  }

  form.close();  // never shown: nothing to close
  EXPECT_EQ(closes, 0);
  form.markShown();
  form.close();
  form.close();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(form.isOpen());
}

TEST(StandInPlatform, WiresEveryServiceUnderOneRoot) {
  verolin::testing::ScratchRoot scratch;
  {
    StandInPlatform p(scratch.path());
    const Platform services = p.platform();
    EXPECT_EQ(services.files, &p.files);
    EXPECT_EQ(services.http, nullptr);
    services.files->write("c:\\a.doc", {});
    const RegistryKey key = services.registry->openKey("HKEY_CURRENT_USER\\Software");
    services.registry->setValue(key, "x", RegistryValue::ofDword(1));
  }
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "c" / "a.doc"));
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "registry.txt"));
  StandInPlatform again(scratch.path());
  EXPECT_EQ(again.registry.value("HKEY_CURRENT_USER\\Software", "x"), RegistryValue::ofDword(1));
}

}  // namespace
}  // namespace verolin::platform
