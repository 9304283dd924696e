// Closing the word processor or its document, fitting its window into picBody, and the browser's
// page-refresh setting.
#include "control/word_host.h"

namespace verolin::control {
namespace {

using automation::Variant;

constexpr const char* kInternetSettings = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

}  // namespace

Variant CloseObject(Control& c, Variant& save) {
  auto& s = c.state();
  if (s.wordApp.isEmpty()) return Variant(false);
  std::string version;
  try {
    version = s.wordApp.get("Version").toString();
  } catch (const std::exception&) {
  }
  if (version == "8.0") {
    s.wordApp = Variant();
    return Variant(false);
  }
  bool failed = false;
  auto step = [&](auto&& f) {
    try {
      f();
    } catch (const std::exception&) {
      failed = true;
    }
  };
  step([&] {
    if (s.wordApp.get("Version").toString() != "10.0") SetWordStyleTemp(c);
  });
  step([&] { s.wordApp.put("Visible", false); });
  step([&] { DestroyWordWindow(c); });
  step([&] {
    Variant app = s.wordApp;
    app.call("Quit", save.value());
  });
  c.pump(12);
  s.wordApp = Variant();
  s.docOpen = false;
  return Variant(!failed);
}

void CloseDocument(Control& c, Variant& save) {
  auto& s = c.state();
  if (s.wordApp.isEmpty() || s.isBusy) return;
  // isBusy is released on every way out, also when the word processor refuses to close.
  BusyScope busy(s);
  s.wordApp.get("ActiveDocument").call("Close", save.value());
  s.docOpen = false;
  c.pump(12);
}

void SetWordStyleTemp(Control& c) {
  auto& s = c.state();
  if (s.wordApp.isEmpty()) return;
  Variant window = s.wordApp.get("Windows", s.wordWindowIndex);
  Variant app = window.get("Application");
  if (s.wordVersion == "11.0") {
    app.put("WindowState", 1);
    return;
  }
  c.pump(5);
  c.showChild(c.piczoom, true);
  app.put("Visible", s.wordVersion == "9.0" || s.wordVersion == "10.0");
  c.pump();
  window.put("WindowState", 0);
  c.pump();
  app.call("Resize", static_cast<float>(c.picBodyScaleWidth() + 8),
           static_cast<float>(c.picBodyScaleHeight() + 6));
  app.call("Move", static_cast<float>(-3), static_cast<float>(-3));
}

void SetWordDisplayStyle(Control& c) {
  auto& s = c.state();
  if (s.wordApp.isEmpty()) return;
  if (s.wordVersion == "11.0") {
    s.wordApp.put("WindowState", 1);
    c.pump();
    return;
  }
  c.showChild(c.piczoom, true);
  s.wordApp.put("Visible", false);
  c.pump();
  s.wordApp.put("WindowState", 0);
  c.pump();
  s.wordApp.call("Resize", static_cast<float>(c.picBodyScaleWidth() + 8),
                 static_cast<float>(c.picBodyScaleHeight() + 6));
  s.wordApp.call("Move", static_cast<float>(-3), static_cast<float>(-3));
}

bool OpenRegKey(Control& c, const std::string& subKey, platform::RegistryKey& key) {
  key = c.platform().registry->openKey("HKEY_CURRENT_USER\\" + subKey);
  return key != 0;
}

bool SetRegDword(Control& c, platform::RegistryKey key, const std::string& name, std::uint32_t value) {
  return c.platform().registry->setValue(key, name, platform::RegistryValue::ofDword(value));
}

void SetBrowserSyncMode(Control& c) {
  try {
    platform::RegistryKey key = 0;
    OpenRegKey(c, kInternetSettings, key);
    if (key != 0) {
      SetRegDword(c, key, "SyncMode5", 3);
      c.platform().registry->closeKey(key);
    }
  } catch (const std::exception&) {
    // A user without write access to the key sees nothing.
  }
}

}  // namespace verolin::control
