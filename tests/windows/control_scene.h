// The control in a page of our own, as a browser hosts it, with the stand-in word processor registered
// as "Word.Application": a local document opened in the control's window, a seal placed through the
// real FrmMySign dialog (an owner chosen, the password typed, OK, placed) and a handwritten signature
// through FrmHandWritd (a stroke drawn with mouse messages, OK). A second thread plays the user with
// window messages. Shared by the screenshot program and its test.
#pragma once

#include "windows/seal_server.h"  // first: it brings winsock2.h before windows.h

#include <objbase.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "automation/variant.h"
#include "com/dispatch_client.h"
#include "com/variant.h"
#include "control/registration.h"
#include "platform/form.h"
#include "platform/win32/form_dialog.h"
#include "windows/ole_page.h"
#include "windows/screen_capture.h"

namespace verolin::com::scene {

// The build's folder: the one above the program's that holds VerolinSystem.ocx.
inline std::wstring buildFolder() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  while (path.find_last_of(L'\\') != std::wstring::npos) {
    path.resize(path.find_last_of(L'\\'));
    if (GetFileAttributesW((path + L"\\VerolinSystem.ocx").c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  return {};
}

// Registers a server module of the build (its DllRegisterServer); false when it is missing or refused.
inline bool registerModule(const std::wstring& file) {
  HMODULE module = LoadLibraryW((buildFolder() + L"\\" + file).c_str());
  if (!module) return false;
  auto f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  return f && SUCCEEDED(f());
}

// Undoes registerModule, so that a shared prefix is left as it was found.
inline bool unregisterModule(const std::wstring& file) {
  HMODULE module = LoadLibraryW((buildFolder() + L"\\" + file).c_str());
  if (!module) return false;
  auto f = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllUnregisterServer")));
  return f && SUCCEEDED(f());
}

// The page: a window of the given size, the control filling its client area.
class Page final : public OlePage {
 public:
  Page(int width, int height)
      : OlePage(L"VerolinScenePage", L"公文签章 - 页面", width, height,
                reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) {}
};

inline void pump(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// A visible top-level window of this process showing the control's form of that name, or null.
inline HWND findForm(const char* name) {
  struct Search {
    const char* name;
    HWND found;
  } search{name, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        const auto* form =
            static_cast<const platform::Form*>(GetPropW(w, platform::win32::kFormObjectProperty));
        if (process == GetCurrentProcessId() && form && IsWindowVisible(w) && form->name() == s->name) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND waitForForm(const char* name) {
  HWND w = nullptr;
  for (int i = 0; i < 1000 && !(w = findForm(name)); ++i) Sleep(10);
  return w;
}

inline HWND item(HWND dialog, const char* control) {
  const auto* form =
      static_cast<const platform::Form*>(GetPropW(dialog, platform::win32::kFormObjectProperty));
  return form ? platform::win32::formControlWindow(dialog, *form, control) : nullptr;
}

inline std::string textOf(HWND w) {
  wchar_t buffer[256] = {};
  SendMessageW(w, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
  return fromWide(buffer);
}

// Presses OK in the host's message boxes that are up now (a dialog with a message text and no edit box);
// returns how many.
inline int answerMessageBoxes() {
  int answered = 0;
  for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr));) {
    DWORD process = 0;
    GetWindowThreadProcessId(box, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(box) || !GetDlgItem(box, 0xFFFF) ||
        FindWindowExW(box, nullptr, L"Edit", nullptr))
      continue;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ++answered;
  }
  return answered;
}

// Runs `call` on this thread (where the control shows its modal windows) while `user` acts on another,
// which also answers message boxes until `call` has returned.
inline void withUser(const std::function<void()>& call, const std::function<void()>& user) {
  std::atomic<bool> done{false};
  std::thread player([&] {
    user();
    while (!done) {
      answerMessageBoxes();
      Sleep(50);
    }
  });
  try {
    call();
  } catch (...) {
    done = true;
    player.join();
    throw;
  }
  done = true;
  player.join();
}

struct Outcome {
  bool sealDialogSeen = false;
  bool sealLoaded = false;
  bool handwritingDialogSeen = false;
  std::string error;  // the first thing that went wrong; "" when all went through
};

class ControlScene {
 public:
  ControlScene(int width, int height) : page(width, height) {}
  ~ControlScene() {
    control_ = automation::Variant();
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
      object_->Release();
    }
  }
  ControlScene(const ControlScene&) = delete;
  ControlScene& operator=(const ControlScene&) = delete;

  // Registers the two servers and activates the control in the page; "" or what failed.
  std::string start() {
    if (!registerModule(L"wordproc.dll")) return "wordproc.dll could not be registered";
    if (!registerModule(L"VerolinSystem.ocx")) return "VerolinSystem.ocx could not be registered";
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(toWide(control::kProgId).c_str(), &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&object_))))
      return "the control could not be created";
    object_->SetClientSite(&page);
    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(object_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)))) {
      persist->InitNew();
      persist->Release();
    }
    ShowWindow(page.window, SW_SHOWNORMAL);
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &page, 0, page.window, &page.position)))
      return "the control could not be activated in the page";
    IDispatch* dispatch = nullptr;
    object_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    control_ = automation::Variant(wrapDispatch(dispatch));
    dispatch->Release();
    return {};
  }

  const automation::Variant& control() const { return control_; }
  // The word processor the control drives.
  automation::Variant word() const {
    CLSID clsid;
    IUnknown* unknown = nullptr;
    IDispatch* dispatch = nullptr;
    if (FAILED(CLSIDFromProgID(L"Word.Application", &clsid)) ||
        FAILED(GetActiveObject(clsid, nullptr, &unknown)))
      return {};
    unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    unknown->Release();
    if (!dispatch) return {};
    automation::Variant out(wrapDispatch(dispatch));
    dispatch->Release();
    return out;
  }

  // Opens a notice as a local document, with a title and a signature line formatted as a user would.
  void openNotice(const std::wstring& folder) {
    const std::wstring path = folder + L"\\notice.doc";
    const std::string text =
        "关于召开年度工作会议的通知\r"
        "各部门：\r"
        "经研究决定，定于下周一上午九时在三楼会议室召开年度工作会议，总结全年工作，部署明年任务。"
        "请各部门负责人准时参加，并提前准备好本部门的年度工作总结材料。会议期间请将手机调至静音状态。\r"
        "特此通知。\r"
        "\r"
        "办公室\r"
        "2026年12月8日\r";
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
    control_.call("OpenWord", fromWide(path), "张三", "ZS");
    pump(300);
    const automation::Variant doc = word().get("ActiveDocument");
    // Each paragraph's [start, end) in characters, as the file's lines give them.
    std::vector<std::pair<int, int>> paragraphs;
    int at = 0, start = 0;
    for (unsigned char c : text) {
      if ((c & 0xC0) == 0x80) continue;  // a continuation byte: the same character
      ++at;
      if (c == '\r') {
        paragraphs.emplace_back(start, at - 1);
        start = at;
      }
    }
    const automation::Variant title = doc.call("Range", paragraphs[0].first, paragraphs[0].second);
    title.get("Font").put("Size", 18);
    title.get("Font").put("Bold", true);
    title.get("Font").put("Color", 0x0000C0);  // a red heading
    title.get("ParagraphFormat").put("Alignment", 1);
    for (std::size_t i = paragraphs.size() - 2; i < paragraphs.size(); ++i)
      doc.call("Range", paragraphs[i].first, paragraphs[i].second).get("ParagraphFormat").put("Alignment", 2);
    // The insertion point at the end of the signature line, where the user signs.
    const int end = doc.get("Content").get("End").toInt32();
    doc.call("Range", end - 1, end - 1).call("Select");
    pump(300);
  }

  // The seal: FrmMySign, the first owner, the password, OK, then placed in the document.
  void placeSeal(Outcome& outcome, const std::string& page) {
    control_.put("ActiveForm", page);
    withUser([&] { control_.call("ElectronSeal", "GetSealList", "GetSealPicture"); },
             [&] {
               HWND dialog = waitForForm("FrmMySign");
               if (!dialog) return;
               outcome.sealDialogSeen = true;
               Sleep(300);
               SendMessageW(item(dialog, "comUserList"), WM_KEYDOWN, VK_DOWN, 0);
               HWND password = item(dialog, "txtPassword");
               for (wchar_t ch : std::wstring(L"zs123")) SendMessageW(password, WM_CHAR, ch, 1);
               PostMessageW(item(dialog, "cmdok"), BM_CLICK, 0, 0);
               for (int i = 0; i < 1000 && !outcome.sealLoaded; ++i) {
                 outcome.sealLoaded = textOf(item(dialog, "lblmsg")) == "加载完成！";
                 answerMessageBoxes();
                 Sleep(10);
               }
               PostMessageW(item(dialog, "cmdthis"), BM_CLICK, 0, 0);
               for (int i = 0; i < 500 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) {
                 answerMessageBoxes();
                 Sleep(10);
               }
             });
    pump(300);
  }

  // The signature: FrmHandWritd in mouse mode with pen width 3, a name written in one stroke, OK.
  void handwrite(Outcome& outcome) {
    withUser([&] { control_.call("HandWrite"); },
             [&] {
               HWND dialog = waitForForm("FrmHandWritd");
               if (!dialog) return;
               outcome.handwritingDialogSeen = true;
               Sleep(300);
               PostMessageW(item(dialog, "Csign1"), BM_CLICK, 0, 0);
               for (int i = 0; i < 500; ++i) {
                 HWND width = FindWindowW(L"#32770", L"宽度");
                 if (width && IsWindowVisible(width)) {
                   SetWindowTextW(FindWindowExW(width, nullptr, L"Edit", nullptr), L"3");
                   PostMessageW(width, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                   break;
                 }
                 Sleep(10);
               }
               HWND mode = item(dialog, "Csign1");
               for (int i = 0; i < 500 && SendMessageW(mode, BM_GETCHECK, 0, 0) != BST_CHECKED; ++i)
                 Sleep(10);
               platform::win32::drawSignature(item(dialog, "picgetimage"));
               Sleep(200);
               PostMessageW(item(dialog, "cmdok"), BM_CLICK, 0, 0);
               for (int i = 0; i < 500 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) {
                 answerMessageBoxes();
                 Sleep(10);
               }
             });
    pump(300);
  }

  // What a user does next with the mouse: drags the seal onto the signing office and date and the
  // signature beside them (points from the last paragraph, where both were placed).
  void arrangeMarks() {
    const automation::Variant shapes = word().get("ActiveDocument").get("Shapes");
    if (shapes.get("Count").toInt32() != 2) return;
    const automation::Variant seal = shapes.call("Item", 1);
    seal.put("Left", 355);
    seal.put("Top", -60);
    const automation::Variant signature = shapes.call("Item", 2);
    signature.put("LockAspectRatio", true);
    signature.put("Width", 150);
    signature.put("Left", 175);
    signature.put("Top", -45);
    pump(400);
  }

  Page page;

 private:
  IOleObject* object_ = nullptr;
  automation::Variant control_;
};

}  // namespace verolin::com::scene
