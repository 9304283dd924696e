// The stand-in word processor edited through its automation surface, as the control and page scripts
// reach it: each input is a sequence of selection moves, typing, paragraphs, deletions, copies and
// pastes, revisions on and off, accepting and rejecting them, and protection. After every step the
// document is sound (text ending in a paragraph mark, its length the content's end) and the selection
// lies inside it; every failure is an automation error with a number and a description; saving and
// opening the document again gives the same text, revision marks and protection.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/automation.h"
#include "fuzz_check.h"
#include "platform/standin.h"
#include "text/utf8.h"
#include "wordproc/wordproc.h"

namespace {

namespace fs = std::filesystem;
using namespace verolin;
using automation::AutomationError;
using automation::Variant;

struct Word {
  fs::path root;
  std::unique_ptr<platform::StandInPlatform> standIn;
  platform::Platform platform;
  Variant app;
};

Word& word() {
  static Word* w = [] {
    auto* made = new Word;
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    made->root = base / ("verolin-editing-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(made->root / "c" / "fuzz");
    made->standIn = std::make_unique<platform::StandInPlatform>(made->root);
    made->standIn->host.freezeClock(true);
    made->platform = made->standIn->platform();
    wordproc::registerWordApplication(made->platform);
    made->app = Variant(made->platform.objects->create("Word.Application"));
    std::atexit([] { fs::remove_all(word().root); });
    return made;
  }();
  return *w;
}

const automation::Bytes kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0,   0, 0, 13,
                                'I',  'H', 'D', 'R', 0,    0,    0,    2,    0,   0, 0, 2,
                                8,    2,   0,   0,   0,    1,    2,    3,    4,   0, 0, 0,
                                0,    'I', 'E', 'N', 'D',  0xAE, 0x42, 0x60, 0x82};

// Texts the steps type: plain, Chinese, the controls text may hold, ones it may not, several paragraphs.
constexpr std::string_view kTexts[] = {
    "a", "中文",           " ",   "\r", "\t", "\v", "\f", "\x01", "\x07", "😀", "ab\rcd", "\r\r", "x\x7fy",
    "",  "第一段\r第二段", "\xC3"};

class Steps {
 public:
  explicit Steps(std::string_view bytes) : bytes_(bytes) {}
  bool done() const { return bytes_.empty(); }
  std::uint8_t byte() {
    if (bytes_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(bytes_.front());
    bytes_.remove_prefix(1);
    return b;
  }
  // A position around the document: mostly inside, sometimes just outside.
  int position(int end) { return static_cast<int>(byte()) % (end + 4) - 2; }
  std::string text() { return std::string(kTexts[byte() % std::size(kTexts)]); }

 private:
  std::string_view bytes_;
};

int contentEnd(const Variant& doc) {
  return doc.get("Content").get("End").toInt32();
}

// Returns the content's end.
int checkSound(const Variant& doc, const Variant& sel) {
  const Variant content = doc.get("Content");
  const std::string text = content.get("Text").toString();
  const int end = content.get("End").toInt32();
  FUZZ_CHECK(content.get("Start").toInt32() == 0);
  FUZZ_CHECK(!text.empty() && text.back() == '\r');
  FUZZ_CHECK(static_cast<int>(text::length(text)) == end);
  const int start = sel.get("Start").toInt32();
  const int selEnd = sel.get("End").toInt32();
  if (!(0 <= start && start <= selEnd && selEnd <= end)) {
    std::fprintf(stderr, "selection [%d, %d) outside the document [0, %d)\n", start, selEnd, end);
    FUZZ_CHECK(false);
  }
  const Variant revisions = doc.get("Revisions");
  const int count = revisions.get("Count").toInt32();
  for (int i = 1; i <= count; ++i) {
    const Variant range = doc.get("Revisions", i).get("Range");
    const int rs = range.get("Start").toInt32();
    const int re = range.get("End").toInt32();
    FUZZ_CHECK(0 <= rs && rs <= re && re <= end);
  }
  return end;
}

// One step of editing; what it may raise is checked by the caller.
void step(Steps& s, const Variant& doc, const Variant& sel, int end) {
  const Variant app = word().app;
  static constexpr int kUnits[] = {1, 2, 4, 5, 6, 3};  // character, word, paragraph, line, story, sentence
  const std::uint8_t op = s.byte();
  switch (op % 24) {
    case 0:
      sel.call("MoveLeft", kUnits[s.byte() % 6], s.byte() % 5, s.byte() % 2);
      break;
    case 1:
      sel.call("MoveRight", kUnits[s.byte() % 6], s.byte() % 5, s.byte() % 2);
      break;
    case 2:
      sel.call(s.byte() % 2 ? "MoveUp" : "MoveDown", 5, s.byte() % 3, s.byte() % 2);
      break;
    case 3:
      sel.call(s.byte() % 2 ? "HomeKey" : "EndKey", kUnits[s.byte() % 6], s.byte() % 2);
      break;
    case 4: {
      const int a = s.position(end);
      sel.call("SetRange", a, s.position(end));
      break;
    }
    case 5:
    case 6:
      sel.call("TypeText", s.text());
      break;
    case 7:
      sel.call("TypeParagraph");
      break;
    case 8:
      sel.call("TypeBackspace");
      break;
    case 9:
      sel.call("Delete", kUnits[s.byte() % 6], static_cast<int>(s.byte() % 4));
      break;
    case 10:
      sel.call("Copy");
      break;
    case 11:
      sel.call("Cut");
      break;
    case 12:
      sel.call("Paste");
      break;
    case 13:
      if (s.byte() % 2) {
        word().standIn->clipboard.setPicture(kPng);
      } else {
        word().standIn->clipboard.setText(s.text());
      }
      break;
    case 14:
      doc.put("TrackRevisions", s.byte() % 2 == 1);
      break;
    case 15:
      doc.call(s.byte() % 2 ? "AcceptAllRevisions" : "RejectAllRevisions");
      break;
    case 16: {
      const int type = s.byte() % 4;
      if (s.byte() % 2) {
        doc.call("Protect", type, false, "pw");
      } else {
        doc.call("Protect", type);
      }
      break;
    }
    case 17:
      doc.call("Unprotect", s.byte() % 2 ? "pw" : "wrong");
      break;
    case 18:
      sel.call("WholeStory");
      break;
    case 19:
      sel.call("Collapse", s.byte() % 2);
      break;
    case 20:
      sel.call(s.byte() % 2 ? "InsertAfter" : "InsertBefore", s.text());
      break;
    case 21: {
      const int a = s.position(end);
      const Variant range = doc.call("Range", a, s.position(end));
      if (s.byte() % 2) {
        range.put("Text", s.text());
      } else {
        range.call("Delete");
      }
      break;
    }
    case 22:
      sel.get("Font").put(s.byte() % 2 ? "Bold" : "Size", static_cast<int>(s.byte() % 30));
      break;
    default:
      app.put("UserName", s.byte() % 2 ? "王五" : "Reviewer");
      break;
  }
}

void runStep(Steps& s, const Variant& doc, const Variant& sel, int end) {
  try {
    step(s, doc, sel, end);
  } catch (const AutomationError& e) {
    if (e.number() == 0 || e.description().empty()) {
      std::fprintf(stderr, "automation error without number or description: %d \"%s\"\n", e.number(),
                   e.description().c_str());
      FUZZ_CHECK(false);
    }
  }
  // Anything else escaping a member is a fault: libFuzzer reports the uncaught exception.
}

// What a file must keep: the text, who inserted, deleted or reformatted each character, and the
// protection. (How marks group into revisions may differ: a file joins one author's adjacent ones.)
struct Saved {
  std::string text;
  std::vector<std::string> marks;  // per character: the authors of its insertion, deletion, format change
  int protection = 0;
  std::string revisionList;  // for the report
};

Saved savedState(const Variant& doc) {
  Saved saved{doc.get("Content").get("Text").toString(), {}, doc.get("ProtectionType").toInt32(), ""};
  saved.marks.resize(static_cast<std::size_t>(contentEnd(doc)) * 3);
  const int count = doc.get("Revisions").get("Count").toInt32();
  for (int i = 1; i <= count; ++i) {
    const Variant r = doc.get("Revisions", i);
    const Variant range = r.get("Range");
    const int type = r.get("Type").toInt32();
    const int start = range.get("Start").toInt32();
    const int end = range.get("End").toInt32();
    const std::string author = r.get("Author").toString();
    saved.revisionList += " " + std::to_string(type) + ":" + author + "[" + std::to_string(start) + "," +
                          std::to_string(end) + ")";
    for (int at = start; at < end; ++at) {
      const auto slot = static_cast<std::size_t>(at * 3 + (type - 1) % 3);
      if (slot < saved.marks.size()) saved.marks[slot] = author;
    }
  }
  return saved;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Variant app = word().app;
  const Variant documents = app.get("Documents");
  const Variant doc = documents.call("Add");
  Steps steps(std::string_view(reinterpret_cast<const char*>(data), size));
  // One selection object serves every step: the document stays the active one.
  const Variant sel = app.get("Selection");
  int end = contentEnd(doc);
  for (int n = 0; !steps.done() && n < 64; ++n) {
    runStep(steps, doc, sel, end);
    end = checkSound(doc, sel);
  }
  // Saved as RTF and opened again, the document is the same.
  const std::string path = "c:\\fuzz\\edited.rtf";
  const Saved before = savedState(doc);
  doc.call("SaveAs", path, 6);
  doc.call("Close", 0);
  const Variant reopened = documents.call("Open", path);
  const Saved after = savedState(reopened);
  if (after.text != before.text || after.marks != before.marks || after.protection != before.protection) {
    std::fprintf(stderr, "reopened differs: \"%s\" (revisions%s, protection %d) became \"%s\" (%s, %d)\n",
                 before.text.c_str(), before.revisionList.c_str(), before.protection, after.text.c_str(),
                 after.revisionList.c_str(), after.protection);
    FUZZ_CHECK(false);
  }
  reopened.call("Close", 0);
  FUZZ_CHECK(documents.get("Count").toInt32() == 0);
  return 0;
}
