#include "activex/members.h"
#include "activex/verolin_activex.h"
#include "commands/commands.h"
#include "transfer/transfer.h"

namespace verolin::activex {

using automation::Args;
using automation::opt;
using automation::Param;
using automation::Variant;

void VerolinActivex::declareCommandMembers() {
  method("PrintView", {}, [this](Args&) {
    commands::PrintView(*control_);
    return Variant();
  });
  method("PrintSetPage", {}, [this](Args&) {
    commands::PrintSetPage(*control_);
    return Variant();
  });
  method("Menu", {optBool("isShow", true)}, [this](Args& a) {
    commands::Menu(*control_, a[0].toBool());
    return Variant();
  });
  method("AllowOnlyRevisions", {Param{"displayTisp"}, opt("pass", Variant(kProtectionPassword))},
         [this](Args& a) {
           commands::AllowOnlyRevisions(*control_, a[0].toBool(), a[1]);
           return Variant();
         });
  method("UnlockOnlyRevisions", {str("pass")}, [this](Args& a) {
    commands::UnlockOnlyRevisions(*control_, a[0].toString());
    return Variant();
  });
  method("ShowRevisions", {Param{"isShow"}}, [this](Args& a) {
    commands::ShowRevisions(*control_, a[0].toBool());
    return Variant();
  });
  method("RevisionsInfo", {}, [this](Args&) {
    commands::RevisionsInfo(*control_);
    return Variant();
  });
  method("DocProtect", {opt("pass", Variant(kProtectionPassword))}, [this](Args& a) {
    commands::DocProtect(*control_, a[0]);
    return Variant();
  });
  method("makeRedHeard", {}, [this](Args&) {
    commands::makeRedHeard(*control_);
    return Variant();
  });
  method("FileSaveAs", {Param{"DocumentType"}, optStr("File_Name")}, [this](Args& a) {
    commands::FileSaveAs(*control_, a[0].toInt16(), a[1]);
    return Variant();
  });
  method("InsertPicture", {str("pictureName")}, [this](Args& a) {
    transfer::InsertPicture(*control_, a[0].toString());
    return Variant();
  });
  method("InsertUserText", {str("text")}, [this](Args& a) {
    commands::InsertUserText(*control_, a[0].toString());
    return Variant();
  });
  method("ChangeUserName", {str("userName")},
         [this](Args& a) { return Variant(commands::ChangeUserName(*control_, a[0].toString())); });
  method("InsertTable", {}, [this](Args&) { return Variant(commands::InsertTable(*control_)); });
  method("ReviewingBar", {Param{"isShow"}},
         [this](Args& a) { return Variant(commands::ReviewingBar(*control_, a[0].toBool())); });
  method("StandardBar", {Param{"isShow"}},
         [this](Args& a) { return Variant(commands::StandardBar(*control_, a[0].toBool())); });
  method("FileSaveVersion", {}, [this](Args&) { return Variant(commands::FileSaveVersion(*control_)); });
  method("VersionManage", {}, [this](Args&) { return Variant(commands::VersionManage(*control_)); });
  method("Bookmark", {}, [this](Args&) { return Variant(commands::Bookmark(*control_)); });
  method("Print_Out", {}, [this](Args&) {
    commands::Print_Out(*control_);
    return Variant();
  });
  method("RevisionsAction", {Param{"op"}}, [this](Args& a) {
    commands::RevisionsAction(*control_, a[0].toBool());
    return Variant();
  });
  method("RevisionsAll", {Param{"op"}}, [this](Args& a) {
    commands::RevisionsAll(*control_, a[0].toBool());
    return Variant();
  });
}

}  // namespace verolin::activex
