#include "control/verolin_activex.h"

#include "control/word_host.h"
#include "transfer/transfer.h"

namespace verolin::control {
namespace {

using automation::Args;
using automation::AutomationError;
using automation::opt;
using automation::Param;
using automation::Variant;

// The fixed protection password used when a page leaves the password out.
constexpr const char* kProtectionPassword = "fesu31";

[[noreturn]] void notBuilt(const char* member) {
  throw AutomationError(automation::err::kENotImpl,
                        std::string("VerolinActivex.") + member + " is not available in this build", "VerolinActivex");
}

Param str(const char* name) { return Param{name}; }
Param optStr(const char* name) { return opt(name, Variant(std::string())); }
Param optBool(const char* name, bool value = false) { return opt(name, Variant(value)); }

}  // namespace

std::shared_ptr<VerolinActivex> VerolinActivex::create(Apartment& apartment, platform::WindowHandle container) {
  return std::make_shared<VerolinActivex>(apartment, container);
}

VerolinActivex::VerolinActivex(Apartment& apartment, platform::WindowHandle container)
    : ObjectBase("VerolinActivex"), control_(std::make_unique<Control>(apartment, container)) {
  declareProperties();
  declareHostingMembers();
  declareTransferMembers();
  declareMarkMembers();
  declareCommandMembers();
}

void VerolinActivex::release() noexcept { control_.reset(); }

void VerolinActivex::declareProperties() {
  auto prop = [this](const char* name, std::string ControlState::*field) {
    property(
        name, [this, field] { return Variant(control_->state().*field); },
        [this, field, name](const Variant& v) { control_->setProperty(control_->state().*field, name, v.toString()); });
  };
  prop("LocalFile", &ControlState::localFile);
  prop("ServerFilePath", &ControlState::serverFilePath);
  prop("ActiveForm", &ControlState::activeForm);
  prop("GetSetType", &ControlState::getSetType);
}

void VerolinActivex::declareHostingMembers() {
  method("SetWordDisplayStyle", {}, [this](Args&) {
    SetWordDisplayStyle(*control_);
    return Variant();
  });
  method("OpenWord", {str("fileName"), optStr("User_Name"), optStr("User_Initials"), optStr("User_Demo")},
         [this](Args& a) {
           OpenWord(*control_, a[0].toString(), a[1], a[2], a[3]);
           return Variant();
         });
  method("AddNewDocument", {optStr("fileName"), optStr("User_Name"), optStr("User_Initials"), optStr("User_Demo")},
         [this](Args& a) {
           AddNewDocument(*control_, a[0], a[1], a[2], a[3]);
           return Variant();
         });
  method("CloseObject", {optBool("save")}, [this](Args& a) { return CloseObject(*control_, a[0]); });
  method("CloseDocument", {optBool("save")}, [this](Args& a) {
    CloseDocument(*control_, a[0]);
    return Variant();
  });
  method("SetWordStyleTemp", {}, [this](Args&) {
    SetWordStyleTemp(*control_);
    return Variant();
  });
  method("WordClose", {optBool("isSave"), optBool("bDel")}, [this](Args& a) {
    WordClose(*control_, a[0], a[1]);
    return Variant();
  });
}

void VerolinActivex::declareTransferMembers() {
  method("UploadFileToServer",
         {str("fileDir"), optStr("rec_getsetType"), optStr("rec_activeForm"), optStr("rec_serverfilePath"),
          optBool("showMessbox", true)},
         [this](Args& a) {
           transfer::UploadFileToServer(*control_, a[0].toString(), a[1].toString(), a[2].toString(),
                                        a[3].toString(), a[4].toBool());
           return Variant();
         });
  method("DownFileFromServer",
         {optStr("rec_getsetType"), optStr("rec_activeForm"), optStr("rec_serverfilePath"), optStr("User_Name"),
          optStr("User_Initials"), optStr("User_Demo")},
         [this](Args& a) {
           return transfer::DownFileFromServer(*control_, a[0].toString(), a[1].toString(), a[2].toString(), a[3],
                                               a[4], a[5]);
         });
  method("GetNetPicture", {str("PicturePath")},
         [this](Args& a) { return Variant(transfer::GetNetPicture(*control_, a[0].toString())); });
  method("UploadClientFileToServer", {str("ClientPath"), str("ServerPath")}, [this](Args& a) {
    return transfer::UploadClientFileToServer(*control_, a[0].toString(), a[1].toString());
  });
}

void VerolinActivex::declareMarkMembers() {
  method("ElectronSeal", {str("opType"), Param{"opGetpicdata"}}, [](Args&) -> Variant { notBuilt("ElectronSeal"); });
  method("CheckElectronSeal", {}, [](Args&) -> Variant { notBuilt("CheckElectronSeal"); });
  method("HandWrite", {}, [](Args&) -> Variant { notBuilt("HandWrite"); });
  method("CheckSign", {}, [](Args&) -> Variant { notBuilt("CheckSign"); });
  method("ShowElectronSealInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowElectronSealInfo"); });
  method("ShowSignInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowSignInfo"); });
}

void VerolinActivex::declareCommandMembers() {
  method("PrintView", {}, [](Args&) -> Variant { notBuilt("PrintView"); });
  method("PrintSetPage", {}, [](Args&) -> Variant { notBuilt("PrintSetPage"); });
  method("Menu", {optBool("isShow", true)}, [](Args&) -> Variant { notBuilt("Menu"); });
  method("AllowOnlyRevisions", {Param{"displayTisp"}, opt("pass", Variant(kProtectionPassword))},
         [](Args&) -> Variant { notBuilt("AllowOnlyRevisions"); });
  method("UnlockOnlyRevisions", {str("pass")}, [](Args&) -> Variant { notBuilt("UnlockOnlyRevisions"); });
  method("ShowRevisions", {Param{"isShow"}}, [](Args&) -> Variant { notBuilt("ShowRevisions"); });
  method("RevisionsInfo", {}, [](Args&) -> Variant { notBuilt("RevisionsInfo"); });
  method("DocProtect", {opt("pass", Variant(kProtectionPassword))}, [](Args&) -> Variant { notBuilt("DocProtect"); });
  method("makeRedHeard", {}, [](Args&) -> Variant { notBuilt("makeRedHeard"); });
  method("FileSaveAs", {Param{"DocumentType"}, optStr("File_Name")}, [](Args&) -> Variant { notBuilt("FileSaveAs"); });
  method("InsertPicture", {str("pictureName")}, [this](Args& a) {
    transfer::InsertPicture(*control_, a[0].toString());
    return Variant();
  });
  method("InsertUserText", {str("text")}, [](Args&) -> Variant { notBuilt("InsertUserText"); });
  method("ChangeUserName", {str("userName")}, [](Args&) -> Variant { notBuilt("ChangeUserName"); });
  method("InsertTable", {}, [](Args&) -> Variant { notBuilt("InsertTable"); });
  method("ReviewingBar", {Param{"isShow"}}, [](Args&) -> Variant { notBuilt("ReviewingBar"); });
  method("StandardBar", {Param{"isShow"}}, [](Args&) -> Variant { notBuilt("StandardBar"); });
  method("FileSaveVersion", {}, [](Args&) -> Variant { notBuilt("FileSaveVersion"); });
  method("VersionManage", {}, [](Args&) -> Variant { notBuilt("VersionManage"); });
  method("Bookmark", {}, [](Args&) -> Variant { notBuilt("Bookmark"); });
  method("Print_Out", {}, [](Args&) -> Variant { notBuilt("Print_Out"); });
  method("RevisionsAction", {Param{"op"}}, [](Args&) -> Variant { notBuilt("RevisionsAction"); });
  method("RevisionsAll", {Param{"op"}}, [](Args&) -> Variant { notBuilt("RevisionsAll"); });
}

}  // namespace verolin::control
