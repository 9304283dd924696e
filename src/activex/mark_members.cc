#include "activex/members.h"
#include "activex/verolin_activex.h"
#include "seal/handwriting.h"
#include "seal/highlight.h"

namespace verolin::activex {

using automation::Args;
using automation::Param;
using automation::Variant;

void VerolinActivex::declareMarkMembers() {
  method("ElectronSeal", {str("opType"), Param{"opGetpicdata"}},
         [](Args&) -> Variant { notBuilt("ElectronSeal"); });
  method("CheckElectronSeal", {}, [](Args&) -> Variant { notBuilt("CheckElectronSeal"); });
  method("HandWrite", {}, [this](Args&) {
    seal::HandWrite(*control_);
    return Variant();
  });
  method("CheckSign", {}, [](Args&) -> Variant { notBuilt("CheckSign"); });
  method("ShowElectronSealInfo", {Param{"isShow"}, optBool("msgShow", true)}, [this](Args& a) {
    return Variant(seal::ShowElectronSealInfo(*control_, a[0].toBool(), a[1].toBool()));
  });
  method("ShowSignInfo", {Param{"isShow"}, optBool("msgShow", true)},
         [this](Args& a) { return Variant(seal::ShowSignInfo(*control_, a[0].toBool(), a[1].toBool())); });
}

}  // namespace verolin::activex
