// CommandBars, CommandBar, CommandBarControls and CommandBarControl over the application's bars.
#include "text/utf8.h"
#include "wordproc/objects/objects.h"
#include "wordproc/objects/word_errors.h"

namespace verolin::wordproc {

namespace {

using automation::opt;

// The bar or control named by an Item argument: a 1-based number, or a name.
template <class T, class Match>
std::shared_ptr<T> pick(const std::vector<std::shared_ptr<T>>& items, const Variant& index, Match matches) {
  const int n = itemNumber(index);
  int seen = 0;
  for (const auto& item : items) {
    if (item->deleted) continue;
    ++seen;
    if (n >= 1 ? seen == n : matches(*item, index.toString())) return item;
  }
  throw noSuchMember();
}

// The first control that matches FindControl's criteria; Id 0 or omitted matches any ID.
std::shared_ptr<BarControl> findIn(const CommandBar& bar, Args& a) {
  for (const auto& c : bar.controls) {
    if (c->deleted) continue;
    if (a.given(0) && a[0].toInt32() != c->type) continue;
    if (a.given(1) && a[1].toInt32() != 0 && a[1].toInt32() != c->id) continue;
    if (a.given(2) && a[2].toString() != c->tag) continue;
    if (a.given(3) && a[3].toBool() && !(c->visible && bar.visible)) continue;
    return c;
  }
  return nullptr;
}

std::vector<automation::Param> findControlParams() {
  return {opt("Type"), opt("Id"), opt("Tag"), opt("Visible"), opt("Recursive")};
}

Variant nothing() {
  return Variant(ObjectRef());
}

class ControlObject final : public WordObject {
 public:
  ControlObject(AppPtr a, std::shared_ptr<CommandBar> bar, std::shared_ptr<BarControl> control)
      : WordObject("CommandBarControl", std::move(a)), bar_(std::move(bar)), control_(std::move(control)) {
    BarControl& c = *control_;
    property("Id", [&c] { return longValue(c.id); });
    property("Type", [&c] { return longValue(c.type); });
    property("BuiltIn", [&c] { return boolValue(c.builtIn); });
    property(
        "Enabled", [&c] { return boolValue(c.enabled); }, [&c](const Variant& v) { c.enabled = v.toBool(); });
    property(
        "Visible", [&c] { return boolValue(c.visible); }, [&c](const Variant& v) { c.visible = v.toBool(); });
    property(
        "Caption", [&c] { return Variant(c.caption); }, [&c](const Variant& v) { c.caption = v.toString(); });
    property(
        "Parameter", [&c] { return Variant(c.parameter); },
        [&c](const Variant& v) { c.parameter = v.toString(); });
    property(
        "Tag", [&c] { return Variant(c.tag); }, [&c](const Variant& v) { c.tag = v.toString(); });
    property("Index", [this] {
      int i = 0;
      for (const auto& other : bar_->controls) {
        if (other->deleted) continue;
        ++i;
        if (other == control_) break;
      }
      return longValue(i);
    });
    property("Parent", [this] { return Variant(makeCommandBar(app_, bar_)); });
    method("Delete", {opt("Temporary")}, [this](Args&) {
      control_->deleted = true;
      std::erase(bar_->controls, control_);
      return Variant();
    });
    method("Execute", {}, [this](Args&) {
      if (!control_->enabled || !bar_->enabled) throw commandFailed();
      app_->trace("command " + std::to_string(control_->id));
      return Variant();
    });
  }

 protected:
  void checkValid() const override {
    if (control_->deleted || bar_->deleted) throw objectDeleted();
  }

 private:
  std::shared_ptr<CommandBar> bar_;
  std::shared_ptr<BarControl> control_;
};

class ControlsObject final : public WordObject {
 public:
  ControlsObject(AppPtr a, std::shared_ptr<CommandBar> b)
      : WordObject("CommandBarControls", std::move(a)), bar_(std::move(b)) {
    property("Count", [this] {
      int n = 0;
      for (const auto& c : bar_->controls) n += c->deleted ? 0 : 1;
      return longValue(n);
    });
    property("Parent", [this] { return Variant(makeCommandBar(app_, bar_)); });
    method("Item", {{"Index"}}, [this](Args& a) {
      auto c = pick(bar_->controls, a[0],
                    [](const BarControl& c, const std::string& name) { return c.caption == name; });
      return Variant(makeCommandBarControl(app_, bar_, c));
    });
    defaultMember("Item");
    method("Add", {opt("Type"), opt("Id"), opt("Parameter"), opt("Before"), opt("Temporary")},
           [this](Args& a) {
             BarControl c;
             c.type = a.given(0) ? a[0].toInt32() : kControlButton;
             c.id = a.given(1) ? a[1].toInt32() : 1;
             if (c.id == 0) c.id = 1;
             c.builtIn = c.id != 1;
             c.caption = builtinControlCaption(c.id);
             if (a.given(2)) c.parameter = a[2].toString();
             const int before = a.given(3) ? a[3].toInt32() : 0;
             if (before < 0) throw automation::errorOf(automation::err::kInvalidCall);
             return Variant(makeCommandBarControl(app_, bar_, bar_->add(std::move(c), before)));
           });
  }

 protected:
  void checkValid() const override {
    if (bar_->deleted) throw objectDeleted();
  }

 private:
  std::shared_ptr<CommandBar> bar_;
};

class BarObject final : public WordObject {
 public:
  BarObject(AppPtr a, std::shared_ptr<CommandBar> bar)
      : WordObject("CommandBar", std::move(a)), bar_(std::move(bar)) {
    CommandBar& b = *bar_;
    WordApp& app = *app_;
    property("Name", [&b] { return Variant(b.name); });
    property(
        "NameLocal", [&b] { return Variant(b.nameLocal); },
        [&b](const Variant& v) { b.nameLocal = v.toString(); });
    property("Type", [&b] { return longValue(b.type); });
    property("BuiltIn", [&b] { return boolValue(b.builtIn); });
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    property(
        "Enabled", [&b] { return boolValue(b.enabled); },
        [&b, &app](const Variant& v) {
          b.enabled = v.toBool();
          app.trace("bar " + b.name + (b.enabled ? " enabled" : " disabled"));
        });
    // A disabled bar is not shown, whatever its own visibility.
    property(
        "Visible", [&b] { return boolValue(b.enabled && b.visible); },
        [&b, &app](const Variant& v) {
          b.visible = v.toBool();
          app.trace("bar " + b.name + (b.visible ? " shown" : " hidden"));
        });
    property("Controls", [this] { return Variant(makeCommandBarControls(app_, bar_)); });
    method("FindControl", findControlParams(), [this](Args& a) {
      auto c = findIn(*bar_, a);
      return c ? Variant(makeCommandBarControl(app_, bar_, c)) : nothing();
    });
    method("Delete", {}, [this](Args&) {
      if (bar_->builtIn) throw automation::errorOf(automation::err::kEFail);
      bar_->deleted = true;
      return Variant();
    });
  }

 protected:
  void checkValid() const override {
    if (bar_->deleted) throw objectDeleted();
  }

 private:
  std::shared_ptr<CommandBar> bar_;
};

class BarsObject final : public WordObject {
 public:
  explicit BarsObject(AppPtr a) : WordObject("CommandBars", std::move(a)) {
    property("Count", [this] {
      int n = 0;
      for (const auto& b : app_->bars.bars()) n += b->deleted ? 0 : 1;
      return longValue(n);
    });
    property("Parent", [this] { return Variant(applicationObject(app_)); });
    method("Item", {{"Index"}}, [this](Args& a) {
      if (itemNumber(a[0]) == -1) {
        auto b = app_->bars.find(a[0].toString());
        if (!b) throw automation::errorOf(automation::err::kInvalidCall);
        return Variant(makeCommandBar(app_, b));
      }
      auto b = pick(app_->bars.bars(), a[0], [](const CommandBar&, const std::string&) { return false; });
      return Variant(makeCommandBar(app_, b));
    });
    defaultMember("Item");
    property("ActiveMenuBar", [this] { return Variant(makeCommandBar(app_, app_->bars.find("Menu Bar"))); });
    method("FindControl", findControlParams(), [this](Args& a) {
      for (const auto& b : app_->bars.bars()) {
        if (b->deleted) continue;
        if (auto c = findIn(*b, a)) return Variant(makeCommandBarControl(app_, b, c));
      }
      return nothing();
    });
    method("Add", {opt("Name"), opt("Position"), opt("MenuBar"), opt("Temporary")}, [this](Args& a) {
      const std::string name =
          a.given(0) ? a[0].toString() : "Custom " + std::to_string(app_->bars.bars().size() + 1);
      if (app_->bars.find(name)) throw automation::errorOf(automation::err::kInvalidCall);
      return Variant(makeCommandBar(app_, app_->bars.add(name)));
    });
  }
};

}  // namespace

ObjectRef makeCommandBars(AppPtr app) {
  return std::make_shared<BarsObject>(std::move(app));
}
ObjectRef makeCommandBar(AppPtr app, std::shared_ptr<CommandBar> bar) {
  return std::make_shared<BarObject>(std::move(app), std::move(bar));
}
ObjectRef makeCommandBarControls(AppPtr app, std::shared_ptr<CommandBar> bar) {
  return std::make_shared<ControlsObject>(std::move(app), std::move(bar));
}
ObjectRef makeCommandBarControl(AppPtr app, std::shared_ptr<CommandBar> bar,
                                std::shared_ptr<BarControl> control) {
  return std::make_shared<ControlObject>(std::move(app), std::move(bar), std::move(control));
}

}  // namespace verolin::wordproc
