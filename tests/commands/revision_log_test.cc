// The revision log window FrmOpMsg.
#include "seal/revision_log.h"

#include "commands_fixture.h"

namespace verolin::testing {
namespace {

using RevisionLogTest = CommandsTest;

TEST_F(RevisionLogTest, OneWindowPerThreadWithItsControlsAndTexts) {
  createControl();
  seal::FrmOpMsg& log = seal::RevisionLog(control());
  EXPECT_EQ(&log, &seal::RevisionLog(control()));
  EXPECT_EQ(log.name(), "FrmOpMsg");
  EXPECT_EQ(log.caption(), "操作日志");
  EXPECT_EQ(log.control("lblmsg").get("Caption").toString(), "操作日志(双击查看内容)");
  EXPECT_EQ(log.control("cmdok").get("Caption").toString(), "确  定");
  log.addLine("1.甲");
  log.addLine("2.乙");
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"1.甲", "2.乙"}));
  log.clear();
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(RevisionLogTest, RevisionTextIsEmptyWithoutWordAndWordsErrorOtherwise) {
  createControl();
  EXPECT_EQ(seal::RevisionText(control(), 0), "");
  openDocument();
  EXPECT_EQ(errorNumber([&] { seal::RevisionText(control(), 0); }), 5941);
}

TEST_F(RevisionLogTest, DoubleClickOnAVanishedRevisionShowsWordsDescriptionInsteadOfFailing) {
  Variant c = openDocument();
  doc().put("TrackRevisions", true);
  selection().call("TypeText", "新");
  host().onForm = [&](platform::Form& form) {
    doc().call("AcceptAllRevisions");
    form.control("libmsg").set("ListIndex", Variant(0));
    form.dblclick("libmsg");
  };
  c.call("RevisionsInfo");
  EXPECT_EQ(messages(),
            std::vector<std::string>{"|0|The requested member of the collection does not exist."});
}

}  // namespace
}  // namespace verolin::testing
