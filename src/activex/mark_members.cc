#include "activex/members.h"
#include "activex/verolin_activex.h"

namespace verolin::activex {

using automation::Args;
using automation::Param;
using automation::Variant;

void VerolinActivex::declareMarkMembers() {
  method("ElectronSeal", {str("opType"), Param{"opGetpicdata"}},
         [](Args&) -> Variant { notBuilt("ElectronSeal"); });
  method("CheckElectronSeal", {}, [](Args&) -> Variant { notBuilt("CheckElectronSeal"); });
  method("HandWrite", {}, [](Args&) -> Variant { notBuilt("HandWrite"); });
  method("CheckSign", {}, [](Args&) -> Variant { notBuilt("CheckSign"); });
  method("ShowElectronSealInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowElectronSealInfo"); });
  method("ShowSignInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowSignInfo"); });
}

}  // namespace verolin::activex
