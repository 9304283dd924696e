#include "wordproc/objects/shape_formats.h"

#include "wordproc/model/units.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

// Office's "The specified value is out of range." (E_INVALIDARG) for a refused shape setting.
automation::AutomationError outOfRange() {
  return automation::AutomationError(static_cast<std::int32_t>(0x80070057u),
                                     "The specified value is out of range.", "Microsoft Word");
}

// Base of the format objects: the shapes they apply to, looked up on every call.
class ShapeFormatObject : public DocObject {
 public:
  ShapeFormatObject(std::string type, AppPtr a, DocPtr d, std::vector<int> numbers)
      : DocObject(std::move(type), std::move(a), std::move(d)), numbers_(std::move(numbers)) {}

 protected:
  void checkValid() const override {
    DocObject::checkValid();
    for (int n : numbers_) {
      if (!doc_->shape(n)) throw objectDeleted();
    }
  }

  ShapeData& first() const { return *doc_->shape(numbers_.front()); }

  void forEach(const std::function<void(ShapeData&)>& change) {
    for (int n : numbers_) change(*doc_->shape(n));
    doc_->changed();
  }

  std::vector<int> numbers_;
};

double fraction(const Variant& v) {
  const double d = v.toDouble();
  if (d < 0 || d > 1) throw outOfRange();
  return inOpacitySteps(d);
}

class ColorFormatObject final : public ShapeFormatObject {
 public:
  // The colour is a line colour (`line`) or the fill colour (`fill`); the other is null.
  ColorFormatObject(AppPtr a, DocPtr d, std::vector<int> numbers, Color LineStyle::*line,
                    Color FillStyle::*fill)
      : ShapeFormatObject("ColorFormat", std::move(a), std::move(d), std::move(numbers)),
        line_(line),
        fill_(fill) {
    property(
        "RGB", [this] { return longValue(get(first())); },
        [this](const Variant& v) {
          const std::int32_t rgb = v.toInt32();
          if (rgb < 0 || rgb > 0xFFFFFF) throw outOfRange();
          forEach([&](ShapeData& s) { get(s) = rgb; });
        });
    property("Type", [] { return longValue(1); });  // msoColorTypeRGB
  }

 private:
  Color& get(ShapeData& s) const { return line_ ? s.line.*line_ : s.fill.*fill_; }

  Color LineStyle::*line_;
  Color FillStyle::*fill_;
};

class PictureFormatObject final : public ShapeFormatObject {
 public:
  PictureFormatObject(AppPtr a, DocPtr d, std::vector<int> numbers)
      : ShapeFormatObject("PictureFormat", std::move(a), std::move(d), std::move(numbers)) {
    property(
        "TransparentBackground", [this] { return triState(picture(first()).transparentBackground); },
        [this](const Variant& v) {
          forEach([&](ShapeData& s) { picture(s).transparentBackground = v.toBool(); });
        });
    property(
        "TransparencyColor", [this] { return longValue(picture(first()).transparencyColor); },
        [this](const Variant& v) {
          const std::int32_t rgb = v.toInt32();
          if (rgb < 0 || rgb > 0xFFFFFF) throw outOfRange();
          forEach([&](ShapeData& s) { picture(s).transparencyColor = rgb; });
        });
  }

 private:
  static ShapeData& picture(ShapeData& s) {
    if (s.kind != ShapeKind::Picture) throw notAvailable("the shape is not a picture");
    return s;
  }
};

class FillFormatObject final : public ShapeFormatObject {
 public:
  FillFormatObject(AppPtr a, DocPtr d, std::vector<int> numbers)
      : ShapeFormatObject("FillFormat", std::move(a), std::move(d), std::move(numbers)) {
    property(
        "Visible", [this] { return triState(first().fill.visible); },
        [this](const Variant& v) { forEach([&](ShapeData& s) { s.fill.visible = v.toBool(); }); });
    property(
        "Transparency", [this] { return singleValue(first().fill.transparency); },
        [this](const Variant& v) {
          const double t = fraction(v);
          forEach([&](ShapeData& s) { s.fill.transparency = t; });
        });
    property("ForeColor", [this] {
      return Variant(
          std::make_shared<ColorFormatObject>(app_, doc_, numbers_, nullptr, &FillStyle::foreColor));
    });
    method("Solid", {}, [this](Args&) {
      forEach([](ShapeData& s) { s.fill.visible = true; });
      return Variant();
    });
  }
};

class LineFormatObject final : public ShapeFormatObject {
 public:
  LineFormatObject(AppPtr a, DocPtr d, std::vector<int> numbers)
      : ShapeFormatObject("LineFormat", std::move(a), std::move(d), std::move(numbers)) {
    property(
        "Visible", [this] { return triState(first().line.visible); },
        [this](const Variant& v) { forEach([&](ShapeData& s) { s.line.visible = v.toBool(); }); });
    property(
        "Weight", [this] { return singleValue(first().line.weight); },
        [this](const Variant& v) {
          const double w = inEmus(v.toDouble());
          if (w < 0 || w > 1584) throw outOfRange();
          forEach([&](ShapeData& s) { s.line.weight = w; });
        });
    property(
        "DashStyle", [this] { return longValue(first().line.dashStyle); },
        [this](const Variant& v) {
          const int d = v.toInt32();
          if (d < 1 || d > 12) throw outOfRange();
          forEach([&](ShapeData& s) { s.line.dashStyle = d; });
        });
    property(
        "Style", [this] { return longValue(first().line.style); },
        [this](const Variant& v) {
          const int st = v.toInt32();
          if (st < 1 || st > 5) throw outOfRange();
          forEach([&](ShapeData& s) { s.line.style = st; });
        });
    property(
        "Transparency", [this] { return singleValue(first().line.transparency); },
        [this](const Variant& v) {
          const double t = fraction(v);
          forEach([&](ShapeData& s) { s.line.transparency = t; });
        });
    property("ForeColor", [this] {
      return Variant(
          std::make_shared<ColorFormatObject>(app_, doc_, numbers_, &LineStyle::foreColor, nullptr));
    });
    property("BackColor", [this] {
      return Variant(
          std::make_shared<ColorFormatObject>(app_, doc_, numbers_, &LineStyle::backColor, nullptr));
    });
  }
};

class WrapFormatObject final : public ShapeFormatObject {
 public:
  WrapFormatObject(AppPtr a, DocPtr d, std::vector<int> numbers)
      : ShapeFormatObject("WrapFormat", std::move(a), std::move(d), std::move(numbers)) {
    property(
        "Type", [this] { return longValue(first().wrapType); },
        [this](const Variant& v) {
          const int type = v.toInt32();
          if (type < wrap::kSquare || type > wrap::kBehind) throw valueOutOfRange();
          forEach([&](ShapeData& s) { s.wrapType = type; });
        });
    property(
        "AllowOverlap", [this] { return longValue(first().allowOverlap ? -1 : 0); },
        [this](const Variant& v) { forEach([&](ShapeData& s) { s.allowOverlap = v.toBool(); }); });
  }
};

}  // namespace

ObjectRef makePictureFormat(AppPtr app, DocPtr doc, std::vector<int> numbers) {
  return std::make_shared<PictureFormatObject>(std::move(app), std::move(doc), std::move(numbers));
}
ObjectRef makeFillFormat(AppPtr app, DocPtr doc, std::vector<int> numbers) {
  return std::make_shared<FillFormatObject>(std::move(app), std::move(doc), std::move(numbers));
}
ObjectRef makeLineFormat(AppPtr app, DocPtr doc, std::vector<int> numbers) {
  return std::make_shared<LineFormatObject>(std::move(app), std::move(doc), std::move(numbers));
}
ObjectRef makeWrapFormat(AppPtr app, DocPtr doc, std::vector<int> numbers) {
  return std::make_shared<WrapFormatObject>(std::move(app), std::move(doc), std::move(numbers));
}

}  // namespace verolin::wordproc
