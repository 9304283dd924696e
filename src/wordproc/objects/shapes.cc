// Shapes (the document's floating shapes), Shape and ShapeRange. A Shape is a range of one shape;
// both are found again by the shape's number on every call, so a deleted shape fails with 5825.
#include <algorithm>

#include "wordproc/model/units.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/shape_formats.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// Office shape types (msoShapeType).
constexpr int kMsoLine = 9;
constexpr int kMsoPicture = 13;

class ShapeSetObject final : public DocObject, public ShapeHolder {
 public:
  ShapeSetObject(AppPtr a, DocPtr d, std::vector<int> numbers, bool single)
      : DocObject(single ? "Shape" : "ShapeRange", std::move(a), std::move(d)),
        numbers_(std::move(numbers)),
        single_(single) {
    property(
        "Name", [this] { return Variant(one().name); },
        [this](const Variant& v) {
          const std::string name = v.toString();
          if (name.empty()) throw valueOutOfRange();
          one().name = plainCharacters(name);
          doc_->changed();
        });
    property("Type", [this] { return longValue(one().kind == ShapeKind::Line ? kMsoLine : kMsoPicture); });
    property("ID", [this] { return longValue(one().number); });
    if (!single_) {
      property("Count", [this] { return longValue(static_cast<int>(numbers_.size())); });
      method("Item", {{"Index"}}, [this](Args& a) {
        const int n = itemNumber(a[0]);
        if (n >= 1 && n <= static_cast<int>(numbers_.size())) {
          return Variant(makeShape(app_, doc_, numbers_[static_cast<std::size_t>(n - 1)]));
        }
        for (int number : numbers_) {
          if (n == -1 && doc_->shape(number) && doc_->shape(number)->name == a[0].toString()) {
            return Variant(makeShape(app_, doc_, number));
          }
        }
        throw noSuchMember();
      });
      defaultMember("Item");
    }
    geometry("Left", &ShapeData::left);
    geometry("Top", &ShapeData::top);
    geometry("Width", &ShapeData::width);
    geometry("Height", &ShapeData::height);
    property(
        "LockAspectRatio", [this] { return triState(one().lockAspectRatio); },
        [this](const Variant& v) { forEach([&](ShapeData& s) { s.lockAspectRatio = v.toBool(); }); });
    method("IncrementLeft", {{"Increment"}}, [this](Args& a) {
      const double d = a[0].toDouble();
      forEach([&](ShapeData& s) {
        if (!isMeasure(s.left + d)) throw valueOutOfRange();
        s.left = inTwips(s.left + d);
      });
      return Variant();
    });
    method("IncrementTop", {{"Increment"}}, [this](Args& a) {
      const double d = a[0].toDouble();
      forEach([&](ShapeData& s) {
        if (!isMeasure(s.top + d)) throw valueOutOfRange();
        s.top = inTwips(s.top + d);
      });
      return Variant();
    });
    method("Select", {opt("Replace", true)}, [this](Args& a) {
      bool replace = a[0].toBool();
      for (int number : live()) {
        doc_->selectShape(number, replace);
        replace = false;
      }
      return Variant();
    });
    method("Delete", {}, [this](Args&) {
      for (int number : live()) doc_->deleteShape(number);
      return Variant();
    });
    property("Anchor", [this] {
      const int at = doc_->model.paragraphStart(one().anchor);
      return Variant(makeRange(app_, doc_, at, doc_->model.paragraphEnd(at) + 1));
    });
    property("PictureFormat", [this] { return Variant(makePictureFormat(app_, doc_, live())); });
    property("Fill", [this] { return Variant(makeFillFormat(app_, doc_, live())); });
    property("Line", [this] { return Variant(makeLineFormat(app_, doc_, live())); });
    property("WrapFormat", [this] { return Variant(makeWrapFormat(app_, doc_, live())); });
    property("Hyperlink", [this] {
      const ShapeData& s = one();
      return s.link ? Variant(makeShapeHyperlink(app_, doc_, s.number)) : Variant(ObjectRef());
    });
  }

  DocSession& shapeDocument() const override { return *doc_; }
  std::vector<int> shapeNumbers() const override { return numbers_; }

 protected:
  void checkValid() const override {
    DocObject::checkValid();
    if (single_ && !doc_->shape(numbers_.front())) throw objectDeleted();
  }

 private:
  std::vector<int> live() const {
    std::vector<int> out;
    for (int n : numbers_) {
      if (doc_->shape(n)) out.push_back(n);
    }
    if (out.empty()) throw notAvailable("the object is empty");
    return out;
  }

  ShapeData& one() const { return *doc_->shape(live().front()); }

  void forEach(const std::function<void(ShapeData&)>& change) {
    for (int n : live()) change(*doc_->shape(n));
    doc_->changed();
  }

  void geometry(const std::string& name, double ShapeData::*field) {
    property(
        name, [this, field] { return singleValue(one().*field); },
        [this, field, name](const Variant& v) {
          const double value = inTwips(v.toDouble());
          if (!isMeasure(value) || ((name == "Width" || name == "Height") && value < 0))
            throw valueOutOfRange();
          forEach([&](ShapeData& s) {
            if (s.lockAspectRatio && name == "Width" && s.width > 0)
              s.height = inTwips(s.height * value / s.width);
            if (s.lockAspectRatio && name == "Height" && s.height > 0)
              s.width = inTwips(s.width * value / s.height);
            s.*field = value;
          });
        });
  }

  std::vector<int> numbers_;
  bool single_;
};

class ShapesObject final : public DocObject {
 public:
  ShapesObject(AppPtr a, DocPtr d) : DocObject("Shapes", std::move(a), std::move(d)) {
    DocSession& doc = *doc_;
    property("Count", [&doc] { return longValue(static_cast<int>(doc.model.shapes.size())); });
    property("Parent", [this] { return Variant(makeDocument(app_, doc_)); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const auto& shapes = doc_->model.shapes;
      const int n = itemNumber(a[0]);
      if (n >= 1 && n <= static_cast<int>(shapes.size())) {
        return Variant(makeShape(app_, doc_, shapes[static_cast<std::size_t>(n - 1)].number));
      }
      if (n == -1) {
        const std::string name = a[0].toString();
        for (const auto& s : shapes) {
          if (s.name == name) return Variant(makeShape(app_, doc_, s.number));
        }
      }
      throw noSuchMember();
    });
    defaultMember("Item");
    method("AddPicture",
           {{"FileName"},
            opt("LinkToFile"),
            opt("SaveWithDocument"),
            opt("Left"),
            opt("Top"),
            opt("Width"),
            opt("Height"),
            opt("Anchor")},
           [this](Args& a) {
             auto number = [&](std::size_t i) {
               return a.given(i) ? std::optional<double>(a[i].toDouble()) : std::nullopt;
             };
             Picture picture = loadPictureFile(*app_, a[0].toString());
             const ShapeData& s =
                 doc_->addPicture(std::move(picture), number(3), number(4), number(5), number(6));
             app_->trace("picture shape " + s.name);
             return Variant(makeShape(app_, doc_, s.number));
           });
    method("AddLine", {{"BeginX"}, {"BeginY"}, {"EndX"}, {"EndY"}, opt("Anchor")}, [this](Args& a) {
      const ShapeData& s = doc_->addLine(a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble());
      app_->trace("line shape " + s.name);
      return Variant(makeShape(app_, doc_, s.number));
    });
    method("SelectAll", {}, [this](Args&) {
      bool replace = true;
      for (const auto& s : doc_->model.shapes) {
        doc_->selectShape(s.number, replace);
        replace = false;
      }
      return Variant();
    });
    method("Range", {{"Index"}}, [this](Args& a) {
      std::vector<int> numbers;
      const Variant shape =
          makeShapes(app_, doc_)
              ->invoke("Item", automation::InvokeKind::Method, std::span<Variant>(&a[0], 1), {});
      numbers.push_back(shape.get("ID").toInt32());
      return Variant(makeShapeRange(app_, doc_, numbers));
    });
  }
};

}  // namespace

ObjectRef makeShapes(AppPtr app, DocPtr doc) {
  return std::make_shared<ShapesObject>(std::move(app), std::move(doc));
}

ObjectRef makeShape(AppPtr app, DocPtr doc, int number) {
  return std::make_shared<ShapeSetObject>(std::move(app), std::move(doc), std::vector<int>{number}, true);
}

ObjectRef makeShapeRange(AppPtr app, DocPtr doc, std::vector<int> numbers) {
  return std::make_shared<ShapeSetObject>(std::move(app), std::move(doc), std::move(numbers), false);
}

}  // namespace verolin::wordproc
