#include "activex/verolin_activex.h"

#include "activex/members.h"
#include "automation/error.h"
#include "control/word_host.h"
#include "transfer/transfer.h"

namespace verolin::activex {

using automation::Args;
using automation::Param;
using automation::Variant;
using control::ControlState;
using control::SetWordDisplayStyle;

std::shared_ptr<VerolinActivex> VerolinActivex::create(Apartment& apartment,
                                                       platform::WindowHandle container) {
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

namespace {

// RPC_E_DISCONNECTED: what a caller sees of an object whose server has gone.
constexpr std::int32_t kDisconnected = static_cast<std::int32_t>(0x80010108u);

}  // namespace

void VerolinActivex::release() noexcept {
  if (callDepth_ > 0) {
    releasePending_ = true;
    return;
  }
  control_.reset();
}

Variant VerolinActivex::invoke(std::string_view member, automation::InvokeKind kind, std::span<Variant> args,
                               std::span<automation::NamedArg> named) {
  if (!control_ || releasePending_) {
    throw automation::AutomationError(kDisconnected, "The object invoked has disconnected from its clients",
                                      "VerolinActivex");
  }
  struct Call {
    VerolinActivex& self;
    explicit Call(VerolinActivex& s) : self(s) { ++self.callDepth_; }
    ~Call() {
      if (--self.callDepth_ == 0 && self.releasePending_) {
        self.releasePending_ = false;
        self.control_.reset();
      }
    }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
  } call(*this);
  return ObjectBase::invoke(member, kind, args, named);
}

void VerolinActivex::declareProperties() {
  auto prop = [this](const char* name, std::string ControlState::*field) {
    property(
        name, [this, field] { return Variant(control_->state().*field); },
        [this, field, name](const Variant& v) {
          control_->setProperty(control_->state().*field, name, v.toString());
        });
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
  method("AddNewDocument",
         {optStr("fileName"), optStr("User_Name"), optStr("User_Initials"), optStr("User_Demo")},
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
         {optStr("rec_getsetType"), optStr("rec_activeForm"), optStr("rec_serverfilePath"),
          optStr("User_Name"), optStr("User_Initials"), optStr("User_Demo")},
         [this](Args& a) {
           return transfer::DownFileFromServer(*control_, a[0].toString(), a[1].toString(), a[2].toString(),
                                               a[3], a[4], a[5]);
         });
  method("GetNetPicture", {str("PicturePath")},
         [this](Args& a) { return Variant(transfer::GetNetPicture(*control_, a[0].toString())); });
  method("UploadClientFileToServer", {str("ClientPath"), str("ServerPath")}, [this](Args& a) {
    return transfer::UploadClientFileToServer(*control_, a[0].toString(), a[1].toString());
  });
}

}  // namespace verolin::activex
