// Dialogs and Dialog: the built-in dialogs, shown through the host so that a person, a page script or
// a test answers them. Show carries out what the user confirms; Display only shows the settings.
#include <algorithm>
#include <map>

#include "wordproc/model/units.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// Dialog numbers (wdWordDialog) known here.
constexpr int kFileOpen = 80;
constexpr int kFileSaveAs = 84;
constexpr int kFilePrint = 88;
constexpr int kTableInsertTable = 129;
constexpr int kInsertBookmark = 168;
constexpr int kFilePageSetup = 178;
constexpr int kFileVersions = 945;
constexpr int kFileSaveVersion = 1007;

const std::map<int, std::string>& captions() {
  static const std::map<int, std::string> table = {
      {kFileOpen, "打开"},       {kFileSaveAs, "另存为"},
      {kFilePrint, "打印"},      {kTableInsertTable, "插入表格"},
      {kInsertBookmark, "书签"}, {kFilePageSetup, "页面设置"},
      {kFileVersions, "版本"},   {kFileSaveVersion, "保存版本"},
  };
  return table;
}

Variant number(double v) {
  return Variant(v);
}

class DialogObject final : public WordObject {
 public:
  DialogObject(AppPtr a, int id) : WordObject("Dialog", std::move(a)), id_(id) {
    property("Type", [this] { return longValue(id_); });
    property("CommandName", [this] { return Variant(captions().at(id_)); });
    method("Show", {opt("TimeOut")}, [this](Args&) { return longValue(run(true)); });
    method("Display", {opt("TimeOut")}, [this](Args&) { return longValue(run(false)); });
    method("Execute", {}, [this](Args&) {
      auto fields = settings();
      apply(fields);
      return Variant();
    });
  }

 private:
  DocSession& doc() const { return app_->active(); }

  // The settings the dialog opens with.
  std::map<std::string, Variant> settings() const {
    std::map<std::string, Variant> f;
    DocSession& d = doc();
    const PageSetup& page = d.model.page;
    switch (id_) {
      case kFilePageSetup:
        f["TopMargin"] = number(page.topMargin);
        f["BottomMargin"] = number(page.bottomMargin);
        f["LeftMargin"] = number(page.leftMargin);
        f["RightMargin"] = number(page.rightMargin);
        f["PageWidth"] = number(page.pageWidth);
        f["PageHeight"] = number(page.pageHeight);
        f["Orientation"] = longValue(page.orientation);
        break;
      case kTableInsertTable:
        f["NumColumns"] = longValue(5);
        f["NumRows"] = longValue(2);
        break;
      case kInsertBookmark:
        f["Name"] = Variant("");
        break;
      case kFileSaveVersion:
        f["Comments"] = Variant("");
        break;
      case kFileVersions: {
        std::string list;
        for (const auto& v : d.model.versions) {
          list += automation::formatLocal(v.date) + "\t" + v.author + "\t" + v.comment + "\n";
        }
        f["Versions"] = Variant(list);
        break;
      }
      case kFileSaveAs:
        f["Name"] = Variant(d.fullName);
        f["Format"] = longValue(d.fileFormat);
        break;
      case kFilePrint:
        f["NumCopies"] = longValue(1);
        break;
      case kFileOpen:
        f["Name"] = Variant("");
        break;
    }
    return f;
  }

  int run(bool execute) {
    platform::DialogRequest request;
    request.id = id_;
    request.caption = captions().at(id_);
    request.execute = execute;
    request.fields = settings();
    app_->trace(std::string(execute ? "dialog shown " : "dialog displayed ") + std::to_string(id_));
    const int result = app_->showDialog(request);
    if (execute && result == -1) apply(request.fields);
    return result;
  }

  static double field(std::map<std::string, Variant>& f, const std::string& name) {
    return inTwips(f[name].toDouble());
  }

  void apply(std::map<std::string, Variant>& f) {
    DocSession& d = doc();
    switch (id_) {
      case kFilePageSetup: {
        PageSetup p;
        p.topMargin = field(f, "TopMargin");
        p.bottomMargin = field(f, "BottomMargin");
        p.leftMargin = field(f, "LeftMargin");
        p.rightMargin = field(f, "RightMargin");
        p.pageWidth = field(f, "PageWidth");
        p.pageHeight = field(f, "PageHeight");
        p.orientation = f["Orientation"].toInt32();
        if (p.pageWidth <= p.leftMargin + p.rightMargin || p.pageHeight <= p.topMargin + p.bottomMargin) {
          throw valueOutOfRange();
        }
        d.model.page = p;
        d.changed();
        break;
      }
      case kTableInsertTable:
        insertTable(d, f["NumRows"].toInt32(), f["NumColumns"].toInt32());
        break;
      case kInsertBookmark: {
        const std::string name = plainCharacters(f["Name"].toString());
        if (!validBookmarkName(name)) throw notAvailable("the bookmark name is not valid");
        d.model.addBookmark(name, d.selStart(), d.selEnd());
        d.changed();
        break;
      }
      case kFileSaveVersion: {
        d.model.versions.push_back(VersionInfo{plainCharacters(app_->userName),
                                               plainCharacters(f["Comments"].toString()),
                                               app_->platform.host->now()});
        d.changed();
        d.save();
        break;
      }
      case kFileSaveAs:
        d.saveAs(f["Name"].toString(), f["Format"].toInt32());
        break;
      case kFilePrint:
        app_->trace("print " + d.name + " copies=" + std::to_string(f["NumCopies"].toInt32()));
        break;
      case kFileOpen:
        if (!f["Name"].toString().empty()) app_->openDocument(f["Name"].toString(), false);
        break;
      default:
        break;
    }
  }

  static bool validBookmarkName(const std::string& name) {
    if (name.empty() || name.size() > 40) return false;
    if (static_cast<unsigned char>(name[0]) < 0x80 && !std::isalpha(static_cast<unsigned char>(name[0])))
      return false;
    return std::none_of(name.begin(), name.end(), [](char c) { return c == ' ' || c == '-' || c == '.'; });
  }

  static void insertTable(DocSession& d, int rows, int columns) {
    if (rows < 1 || columns < 1 || rows > 32767 || columns > 63) throw valueOutOfRange();
    d.insertTable(rows, columns);
  }

  int id_;
};

class DialogsObject final : public WordObject {
 public:
  explicit DialogsObject(AppPtr a) : WordObject("Dialogs", std::move(a)) {
    property("Count", [] { return longValue(static_cast<int>(captions().size())); });
    method("Item", {{"Index"}}, [this](Args& a) {
      const int id = a[0].toInt32();
      if (!captions().count(id)) throw noSuchMember();
      return Variant(std::make_shared<DialogObject>(app_, id));
    });
    defaultMember("Item");
  }
};

}  // namespace

ObjectRef makeDialogs(AppPtr app) {
  return std::make_shared<DialogsObject>(std::move(app));
}

}  // namespace verolin::wordproc
