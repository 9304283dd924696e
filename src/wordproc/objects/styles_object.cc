// Styles and Style: the built-in styles, found by their local name or built-in number.
#include "wordproc/model/styles.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

const StyleDef& lookup(const Variant& index) {
  const StyleDef* s = nullptr;
  if (index.isNumeric()) {
    const int n = index.toInt32();
    const auto& all = builtinStyles();
    s = n < 0
            ? findStyle(n)
            : (n >= 1 && n <= static_cast<int>(all.size()) ? &all[static_cast<std::size_t>(n - 1)] : nullptr);
  } else {
    s = findStyle(index.toString());
  }
  if (!s) throw noSuchMember();
  return *s;
}

class StyleFontObject final : public DocObject {
 public:
  StyleFontObject(AppPtr a, DocPtr d, const StyleDef& s) : DocObject("Font", std::move(a), std::move(d)) {
    property("Name", [&s] { return Variant(s.font); });
    property("Size", [&s] { return singleValue(s.size); });
    property("Bold", [&s] { return longValue(s.bold ? -1 : 0); });
    property("Color", [&s] { return longValue(s.color); });
  }
};

class StyleObject final : public DocObject {
 public:
  StyleObject(AppPtr a, DocPtr d, const StyleDef& s) : DocObject("Style", std::move(a), std::move(d)) {
    property("NameLocal", [&s] { return Variant(s.name); });
    defaultMember("NameLocal");
    property("Type", [&s] { return longValue(static_cast<int>(s.type)); });
    property("BuiltIn", [] { return boolValue(true); });
    property("BaseStyle", [&s] { return Variant(s.basedOn); });
    property("NextParagraphStyle", [this, &s] {
      return Variant(makeStyle(app_, doc_, s.nextStyle.empty() ? s.name : s.nextStyle));
    });
    property("Font", [this, &s] { return Variant(std::make_shared<StyleFontObject>(app_, doc_, s)); });
  }
};

class StylesObject final : public DocObject {
 public:
  StylesObject(AppPtr a, DocPtr d) : DocObject("Styles", std::move(a), std::move(d)) {
    property("Count", [] { return longValue(static_cast<int>(builtinStyles().size())); });
    method("Item", {{"Index"}},
           [this](Args& a) { return Variant(std::make_shared<StyleObject>(app_, doc_, lookup(a[0]))); });
    defaultMember("Item");
  }
};

}  // namespace

ObjectRef makeStyles(AppPtr app, DocPtr doc) {
  return std::make_shared<StylesObject>(std::move(app), std::move(doc));
}

ObjectRef makeStyle(AppPtr app, DocPtr doc, std::string name) {
  const StyleDef* s = findStyle(name);
  if (!s) s = &normalStyle();
  return std::make_shared<StyleObject>(std::move(app), std::move(doc), *s);
}

}  // namespace verolin::wordproc
