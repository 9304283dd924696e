// A control with the stand-in word processor and a new document open, for the handwriting and
// highlighting tests: marks placed as the control places them, and the user's answers played by handlers.
#pragma once

#include <string>

#include "control/control_fixture.h"
#include "platform/raster.h"
#include "wordproc/wordproc.h"

namespace verolin::testing {

class SignatureFixture : public ControlFixture {
 protected:
  void SetUp() override {
    wordproc::WordOptions options;
    options.userName = "张三";
    wordproc::registerWordApplication(standIn().platform(), options);
    page_ = createControl();
    page_.call("AddNewDocument");
    ASSERT_TRUE(state().docOpen);
  }

  automation::Variant word() { return state().wordApp; }
  automation::Variant shapes() { return word().get("ActiveDocument").get("Shapes"); }
  int shapeCount() { return shapes().get("Count").toInt32(); }

  // A floating picture placed by other means, recorded as a seal (or signature) of `name`: its identifier.
  std::string recordedPicture(bool seal, const std::string& name, const std::string& time) {
    if (!standIn().files.fileExists("c:\\temp\\mark.png"))
      standIn().files.write("c:\\temp\\mark.png", platform::Raster(40, 40).png());
    const std::string shapeName = shapes().call("AddPicture", "c:\\temp\\mark.png").get("Name").toString();
    const std::string id = shapeName.substr(shapeName.find(' ') + 1);
    auto& s = state();
    auto add = [&](std::string& list, const std::string& item) { list += item + s.splitStr; };
    add(seal ? s.sealIdList : s.signIdList, id);
    add(seal ? s.sealNameList : s.signNameList, name);
    add(seal ? s.sealTimeList : s.signTimeList, time);
    return id;
  }

  automation::Variant page_;
};

}  // namespace verolin::testing
