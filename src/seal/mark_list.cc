#include "seal/mark_list.h"

#include <string>

#include "seal/marks.h"
#include "seal/modal_window.h"

namespace verolin::seal {
namespace {

namespace mb = platform::mb;
using control::kCaptionInfo;

constexpr const char* kWindowCaption = "盖章信息";
constexpr const char* kSignWindowCaption = "签名信息";
constexpr const char* kListLabel = "有效的盖章信息列表:";
constexpr const char* kOkCaption = "确 定";
constexpr const char* kNoDocument = "请先建立一篇文档或下载一篇文档.";
constexpr const char* kNoDocumentCaption = "出错";

// What differs between the seal list and the signature list.
struct ListTexts {
  MarkKind kind;
  bool examineLast;
  const char* emptyMessage;
  const char* nameLabel;
  const char* timeLabel;
  const char* countPrefix;
  const char* windowCaption;  // nullptr: the design caption
};

constexpr ListTexts kSealTexts{MarkKind::Seal,  true,          "没有有效的盖章！",
                               ". 盖章人姓名:", "  盖章日期:", "本文档有效盖章列表:(共",
                               nullptr};
constexpr ListTexts kSignTexts{MarkKind::Signature, false,         "没有有效的手写签名！",
                               ". 签名人姓名:",     "  签名日期:", "本文档有效签名列表:(共",
                               kSignWindowCaption};
constexpr const char* kCountSuffix = "个)";

std::int16_t ListValidMarks(control::Control& c, const ListTexts& t) {
  auto& s = c.state();
  if (!s.wordStarted()) return 0;
  const MarkLists lists = ListsOf(s, t.kind);
  if (lists.names->empty() || lists.ids->empty() || lists.times->empty()) {
    c.message(t.emptyMessage, mb::kInformation, kCaptionInfo);
    return 0;
  }
  const SplitGroup group = SplitMarkGroup(*lists.ids, *lists.names, *lists.times, s.splitStr);

  auto& window = c.apartment().instance<MarkListWindow>();
  window.lisMsg.clearItems();
  std::int16_t count = 0;
  for (const ValidMark& mark : FindValidMarks(s.wordApp, group, t.examineLast)) {
    ++count;
    window.lisMsg.addItem(std::to_string(count) + t.nameLabel + ItemAt(group.names, mark.item) + t.timeLabel +
                          ItemAt(group.times, mark.item));
  }
  window.lblmsg.set("Caption", std::string(t.countPrefix) + std::to_string(count) + kCountSuffix);
  if (t.windowCaption) window.setCaption(t.windowCaption);
  ShowModalWindow(c, window);
  return count;
}

}  // namespace

MarkListWindow::MarkListWindow()
    : Form("FrmShowElectronSealInfo", kWindowCaption),
      lisMsg(add("lisMsg", "list")),
      lblmsg(add("lblmsg", "label")),
      cmdok(add("cmdok", "button")) {
  restoreDesign();
  cmdok.onClick = [this] { close(); };
  onClose = [this] { restoreDesign(); };
}

void MarkListWindow::restoreDesign() {
  setCaption(kWindowCaption);
  lisMsg.clearItems();
  lblmsg.set("Caption", kListLabel);
  cmdok.set("Caption", kOkCaption);
  for (platform::FormControl* control : {&lisMsg, &lblmsg, &cmdok}) control->set("Visible", true);
}

std::int16_t ListValidSeals(control::Control& c) {
  return ListValidMarks(c, kSealTexts);
}

std::int16_t ListValidSigns(control::Control& c) {
  return ListValidMarks(c, kSignTexts);
}

void CheckElectronSeal(control::Control& c) {
  if (!c.documentGuard(kNoDocument, kNoDocumentCaption)) return;
  ListValidSeals(c);
}

std::int16_t CheckSign(control::Control& c) {
  if (!c.documentGuard(kNoDocument, kNoDocumentCaption)) return 0;
  return ListValidSigns(c);
}

}  // namespace verolin::seal
