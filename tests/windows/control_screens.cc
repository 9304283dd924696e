// The control as a user sees it in a page: hosted in a page window of our own with the stand-in word
// processor embedded, a notice opened, a seal placed through FrmMySign and a handwritten signature
// through FrmHandWritd, then the page window saved as control.png: control_screens.exe OUTPUT_FOLDER.
// tools/screens-windows.sh runs it under Wine on Xvfb.
#include "windows/control_scene.h"  // first: it brings winsock2.h before windows.h

#include <cstdio>

#include "platform/win32/picture_bitmap.h"
#include "windows/screen_capture.h"
#include "windows/seal_picture.h"

namespace {

using namespace verolin;

// A run that hangs (a window nobody answers) ends rather than blocking the script.
DWORD WINAPI watchdog(void*) {
  Sleep(120'000);
  std::fprintf(stderr, "control_screens: did not finish in time\n");
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: control_screens OUTPUT_FOLDER\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  CreateDirectoryW(folder.c_str(), nullptr);
  CloseHandle(CreateThread(nullptr, 0, watchdog, nullptr, 0, nullptr));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int result = 1;
  {
    com::scene::ControlScene scene(1024, 768);
    com::scene::Outcome outcome;
    std::string error = scene.start();
    try {
      if (error.empty()) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::wstring documents = std::wstring(temp) + L"verolin-control-screens";
        CreateDirectoryW(documents.c_str(), nullptr);
        scene.openNotice(documents);
        platform::win32::SealServer server(platform::win32::makeSealPicture());
        scene.placeSeal(outcome, server.page());
        scene.handwrite(outcome);
        scene.arrangeMarks();
        com::scene::pump(1500);
        const automation::Bytes png = platform::win32::captureWindow(scene.page.window);
        const std::wstring path = folder + L"\\control.png";
        if (png.empty() || !platform::win32::writeWholeFile(path, png)) {
          error = "could not write control.png";
        } else {
          const int shapes = scene.word().get("ActiveDocument").get("Shapes").get("Count").toInt32();
          std::printf("wrote %s (%d shapes in the document)\n", com::fromWide(path).c_str(), shapes);
          std::fflush(stdout);
          result = shapes == 2 ? 0 : 1;
        }
      }
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (!error.empty()) std::fprintf(stderr, "control_screens: %s\n", error.c_str());
    try {
      scene.control().call("WordClose", false, false);
    } catch (...) {
      // The word processor may be gone already.
    }
  }
  CoUninitialize();
  return result;
}
