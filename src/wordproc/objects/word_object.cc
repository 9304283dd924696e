#include "automation/variant.h"
#include "platform/files.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {
// The word processor's creator code ('MSWD').
constexpr std::int32_t kCreator = 1297307460;
}  // namespace

WordObject::WordObject(std::string typeName, AppPtr app)
    : ObjectBase(std::move(typeName)), app_(std::move(app)) {
  property("Application", [this] { return Variant(applicationObject(app_)); });
  property("Creator", [] { return Variant(kCreator); });
}

Variant WordObject::invoke(std::string_view member, automation::InvokeKind kind, std::span<Variant> args,
                           std::span<automation::NamedArg> named) {
  app_->checkAlive();
  checkValid();
  return ObjectBase::invoke(member, kind, args, named);
}

DocObject::DocObject(std::string typeName, AppPtr app, DocPtr doc)
    : WordObject(std::move(typeName), std::move(app)), doc_(std::move(doc)) {}

void DocObject::checkValid() const {
  if (doc_->closed) throw objectDeleted();
}

int itemNumber(const Variant& index) {
  if (index.isString()) {
    double d;
    return automation::parseNumber(index.toString(), d) ? static_cast<int>(d) : -1;
  }
  return index.toInt32();
}

Picture loadPictureFile(WordApp& app, const std::string& path) {
  platform::FileSystem& fs = *app.platform.files;
  automation::Bytes bytes;
  try {
    fs.nativePath(path);
  } catch (const automation::AutomationError&) {
    throw badFileName(path);
  }
  if (!fs.fileExists(path)) throw fileNotFound(path);
  try {
    bytes = fs.read(path);
  } catch (const automation::AutomationError&) {
    throw fileInUse(path);
  }
  auto picture = readPicture(std::move(bytes));
  if (!picture) throw corruptFile(path, "the file is not a picture in a format this program reads");
  return std::move(*picture);
}

}  // namespace verolin::wordproc
