// What a person does in the word processor's window, reachable by automation so that tests and page
// scripts can act as the user: typing and deleting at the selection, selecting text, and selecting,
// renaming or deleting a shape. Every action goes through the same editing as the program's own
// members (protection and revision tracking apply). The real program has no such object.
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

class UserActionsObject final : public WordObject {
 public:
  explicit UserActionsObject(AppPtr a) : WordObject("UserActions", std::move(a)) {
    method("Type", {{"Text"}}, [this](Args& a) {
      doc().typeText(a[0].toString());
      return Variant();
    });
    method("PressEnter", {}, [this](Args&) {
      doc().typeParagraph();
      return Variant();
    });
    method("PressBackspace", {opt("Count", longValue(1))}, [this](Args& a) {
      for (int i = 0; i < a[0].toInt32(); ++i) doc().typeBackspace();
      return Variant();
    });
    method("PressDelete", {opt("Count", longValue(1))}, [this](Args& a) {
      doc().deleteForward(a[0].toInt32());
      return Variant();
    });
    method("Select", {{"Start"}, {"End"}}, [this](Args& a) {
      doc().select(a[0].toInt32(), a[1].toInt32());
      return Variant();
    });
    method("ClickShape", {{"Name"}}, [this](Args& a) {
      doc().selectShape(shapeNamed(a[0].toString()).number);
      return Variant();
    });
    method("DeleteShape", {{"Name"}}, [this](Args& a) {
      doc().deleteShape(shapeNamed(a[0].toString()).number);
      return Variant();
    });
    method("RenameShape", {{"Name"}, {"NewName"}}, [this](Args& a) {
      shapeNamed(a[0].toString()).name = plainCharacters(a[1].toString());
      doc().changed();
      return Variant();
    });
  }

 private:
  DocSession& doc() const { return app_->active(); }

  ShapeData& shapeNamed(const std::string& name) const {
    for (auto& s : doc().model.shapes) {
      if (s.name == name) return s;
    }
    throw noSuchMember();
  }
};

}  // namespace

ObjectRef makeUserActions(AppPtr app) {
  return std::make_shared<UserActionsObject>(std::move(app));
}

}  // namespace verolin::wordproc
