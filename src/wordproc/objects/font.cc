// Font and ParagraphFormat of the selection or of a range. Reading a stretch that holds different
// values gives the word processor's "mixed" answer; on an insertion point the font is the one typing
// will use.
#include <optional>

#include "wordproc/model/text_format.h"
#include "wordproc/model/units.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

int startOf(const TextTarget& t) {
  return t.span ? t.span->start : t.doc->selStart();
}
int endOf(const TextTarget& t) {
  return t.span ? t.span->end : t.doc->selEnd();
}

class FontObject final : public DocObject {
 public:
  FontObject(AppPtr a, TextTarget t) : DocObject("Font", std::move(a), t.doc), target_(std::move(t)) {
    numberProperty(
        "Size", [](const ResolvedFormat& r) { return r.size; },
        [](CharFormat& f, const Variant& v) {
          const double size = inHalfPoints(v.toDouble());
          if (size < 1 || size > 1638) throw valueOutOfRange();
          f.size = size;
        });
    numberProperty(
        "Color", [](const ResolvedFormat& r) { return static_cast<double>(r.color); },
        [](CharFormat& f, const Variant& v) { f.color = v.toInt32(); });
    numberProperty(
        "Bold", [](const ResolvedFormat& r) { return r.bold ? -1.0 : 0.0; },
        [](CharFormat& f, const Variant& v) { f.bold = v.toBool() ? 1 : 0; });
    numberProperty(
        "Italic", [](const ResolvedFormat& r) { return r.italic ? -1.0 : 0.0; },
        [](CharFormat& f, const Variant& v) { f.italic = v.toBool() ? 1 : 0; });
    numberProperty(
        "Underline", [](const ResolvedFormat& r) { return r.underline ? 1.0 : 0.0; },
        [](CharFormat& f, const Variant& v) { f.underline = v.toInt32() != 0 ? 1 : 0; });
    property(
        "Name",
        [this] {
          std::optional<std::string> name;
          bool mixed = false;
          each([&](const ResolvedFormat& r) {
            if (name && *name != r.font) mixed = true;
            name = r.font;
          });
          return Variant(mixed || !name ? std::string() : *name);
        },
        [this](const Variant& v) {
          // Font names are kept without surrounding blanks, as font tables hold them.
          std::string name = plainCharacters(v.toString());
          name.erase(0, name.find_first_not_of(' '));
          name.erase(name.find_last_not_of(' ') + 1);
          apply([&](CharFormat& f) { f.font = name; });
        });
  }

 private:
  using Read = double (*)(const ResolvedFormat&);
  using Write = void (*)(CharFormat&, const Variant&);

  void numberProperty(const std::string& name, Read read, Write write) {
    property(
        name,
        [this, read, name] {
          std::optional<double> value;
          bool mixed = false;
          each([&](const ResolvedFormat& r) {
            const double v = read(r);
            if (value && *value != v) mixed = true;
            value = v;
          });
          if (mixed) return longValue(kUndefined);
          const double v = value.value_or(0);
          return name == "Size" ? singleValue(v) : longValue(static_cast<int>(v));
        },
        [this, write](const Variant& v) { apply([&](CharFormat& f) { write(f, v); }); });
  }

  // Calls `visit` with the format of every character of the target (the typing format on an IP).
  void each(const std::function<void(const ResolvedFormat&)>& visit) const {
    DocSession& doc = *target_.doc;
    const int start = startOf(target_);
    const int end = endOf(target_);
    if (end <= start) {
      const CharFormat f =
          target_.span ? doc.model.charFormat(std::min(start, doc.model.size() - 1)) : doc.typingFormat();
      visit(resolve(f, doc.model.paraFormatAt(start)));
      return;
    }
    for (int i = start; i < end && i < doc.model.size(); ++i) visit(resolvedFormat(doc.model, i));
  }

  void apply(const std::function<void(CharFormat&)>& change) {
    DocSession& doc = *target_.doc;
    const int start = startOf(target_);
    const int end = endOf(target_);
    if (end > start) {
      doc.formatRange(start, end, change);
    } else if (!target_.span) {
      doc.checkEditable();
      doc.setTypingFormat(change);
    }
  }

  TextTarget target_;
};

class ParagraphFormatObject final : public DocObject {
 public:
  ParagraphFormatObject(AppPtr a, TextTarget t)
      : DocObject("ParagraphFormat", std::move(a), t.doc), target_(std::move(t)) {
    property(
        "Alignment",
        [this] {
          DocSession& doc = *target_.doc;
          std::optional<int> value;
          for (int mark : marks()) {
            const int a = resolve(CharFormat{}, doc.model.paraFormat(doc.model.at(mark).extra)).alignment;
            if (value && *value != a) return longValue(kUndefined);
            value = a;
          }
          return longValue(value.value_or(0));
        },
        [this](const Variant& v) {
          const int alignment = v.toInt32();
          if (alignment < 0 || alignment > 9) throw valueOutOfRange();
          target_.doc->formatParagraphsOf(startOf(target_), endOf(target_),
                                          [&](ParaFormat& p) { p.alignment = alignment; });
        });
  }

 private:
  std::vector<int> marks() const {
    DocSession& doc = *target_.doc;
    std::vector<int> out;
    int pos = doc.model.paragraphStart(startOf(target_));
    const int end = endOf(target_);
    while (pos < doc.model.size()) {
      const int mark = doc.model.paragraphEnd(pos);
      out.push_back(mark);
      pos = mark + 1;
      if (pos >= end) break;
    }
    return out;
  }

  TextTarget target_;
};

}  // namespace

ObjectRef makeFont(AppPtr app, TextTarget target) {
  return std::make_shared<FontObject>(std::move(app), std::move(target));
}

ObjectRef makeParagraphFormat(AppPtr app, TextTarget target) {
  return std::make_shared<ParagraphFormatObject>(std::move(app), std::move(target));
}

}  // namespace verolin::wordproc
