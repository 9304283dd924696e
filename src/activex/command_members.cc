#include "activex/members.h"
#include "activex/verolin_activex.h"
#include "transfer/transfer.h"

namespace verolin::activex {

using automation::Args;
using automation::opt;
using automation::Param;
using automation::Variant;

void VerolinActivex::declareCommandMembers() {
  method("PrintView", {}, [](Args&) -> Variant { notBuilt("PrintView"); });
  method("PrintSetPage", {}, [](Args&) -> Variant { notBuilt("PrintSetPage"); });
  method("Menu", {optBool("isShow", true)}, [](Args&) -> Variant { notBuilt("Menu"); });
  method("AllowOnlyRevisions", {Param{"displayTisp"}, opt("pass", Variant(kProtectionPassword))},
         [](Args&) -> Variant { notBuilt("AllowOnlyRevisions"); });
  method("UnlockOnlyRevisions", {str("pass")}, [](Args&) -> Variant { notBuilt("UnlockOnlyRevisions"); });
  method("ShowRevisions", {Param{"isShow"}}, [](Args&) -> Variant { notBuilt("ShowRevisions"); });
  method("RevisionsInfo", {}, [](Args&) -> Variant { notBuilt("RevisionsInfo"); });
  method("DocProtect", {opt("pass", Variant(kProtectionPassword))},
         [](Args&) -> Variant { notBuilt("DocProtect"); });
  method("makeRedHeard", {}, [](Args&) -> Variant { notBuilt("makeRedHeard"); });
  method("FileSaveAs", {Param{"DocumentType"}, optStr("File_Name")},
         [](Args&) -> Variant { notBuilt("FileSaveAs"); });
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

}  // namespace verolin::activex
