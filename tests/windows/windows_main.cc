// The main of every test executable that runs under Wine: the thread is a single-threaded apartment,
// as a browser's user-interface thread is, and a watchdog ends a run that hangs (a modal window nobody
// answers) with a message instead of blocking the suite.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

namespace {

DWORD WINAPI watchdog(void* seconds) {
  Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(seconds)) * 1000);
  std::fprintf(stderr, "watchdog: the tests did not finish in time\n");
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* limit = std::getenv("VEROLIN_TEST_TIMEOUT");
  const UINT_PTR seconds = limit ? std::strtoul(limit, nullptr, 10) : 120;
  CloseHandle(CreateThread(nullptr, 0, watchdog, reinterpret_cast<void*>(seconds), 0, nullptr));
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
