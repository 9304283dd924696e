#include "activex/members.h"
#include "activex/verolin_activex.h"
#include "seal/seal.h"

namespace verolin::activex {

using automation::Args;
using automation::Param;
using automation::Variant;

void VerolinActivex::declareMarkMembers() {
  method("ElectronSeal", {str("opType"), Param{"opGetpicdata"}},
         [this](Args& a) { return seal::ElectronSeal(*control_, a[0].toString(), a[1]); });
  method("CheckElectronSeal", {}, [this](Args&) {
    seal::CheckElectronSeal(*control_);
    return Variant();
  });
  method("HandWrite", {}, [](Args&) -> Variant { notBuilt("HandWrite"); });
  method("CheckSign", {}, [this](Args&) { return Variant(seal::CheckSign(*control_)); });
  method("ShowElectronSealInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowElectronSealInfo"); });
  method("ShowSignInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [](Args&) -> Variant { notBuilt("ShowSignInfo"); });
}

}  // namespace verolin::activex
