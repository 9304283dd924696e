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
  method("HandWrite", {}, [this](Args&) {
    seal::HandWrite(*control_);
    return Variant();
  });
  method("CheckSign", {}, [this](Args&) { return Variant(seal::CheckSign(*control_)); });
  method("ShowElectronSealInfo", {Param{"isShow"}, optBool("msgShow", true)}, [this](Args& a) {
    return Variant(seal::ShowElectronSealInfo(*control_, a[0].toBool(), a[1].toBool()));
  });
  method("ShowSignInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [this](Args& a) { return Variant(seal::ShowSignInfo(*control_, a[0].toBool(), a[1].toBool())); });
}

}  // namespace verolin::activex
