#!/usr/bin/env bash
# Builds the control for Windows with mingw-w64 into build-win/ (the control as build-win/VerolinSystem.ocx)
# and runs the Windows tests under Wine in a fresh prefix: Wine's null graphics driver (windows and
# message boxes exist without an X server), LC_ALL=zh_CN.UTF-8 (so the ANSI code page is 936), the
# control registered under HKEY_CLASSES_ROOT with regsvr32, then every tests/windows executable.
# Installs what is missing when run as root. Exit code 77: the packages are missing and cannot be
# installed (tools/test.sh then reports the Windows tests as skipped).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
windows_packages=(g++-mingw-w64-x86-64 mingw-w64-tools libz-mingw-w64-dev libwine-dev wine64 wine
                  googletest xvfb xauth locales)
if ! bash tools/setup.sh "${windows_packages[@]}"; then
  echo "test-windows: the packages for the Windows build are missing and could not be installed" >&2
  exit 77
fi
# The Simplified Chinese locale gives Wine the ANSI code page 936 the control's users have.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "test-windows: the locale zh_CN.UTF-8 is missing (run as root to generate it)" >&2
    exit 77
  fi
  sed -i 's/^# *zh_CN.UTF-8/zh_CN.UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVEROLIN_WERROR=ON \
  "${launcher[@]}" >/dev/null
ninja -C build-win -j2

# A fresh prefix for every run; stopped again however the run ends.
export VEROLIN_WINE_PREFIX=$root/build-win/prefix
export WINEPREFIX=$VEROLIN_WINE_PREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
unset DISPLAY WAYLAND_DISPLAY
if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
rm -rf "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT
bash tools/wine-windows.sh cmd /c exit 0

ocx=$(winepath -w "$root/build-win/VerolinSystem.ocx")
wine regsvr32 /s "$ocx"
# regsvr32 /s reports nothing; the ProgID must now lead to the class.
if ! wine reg query 'HKCR\VerolinSystem.VerolinActivex\CLSID' 2>/dev/null | grep -q '{5C1A7E2B-3D4F-4A6B-9E8D-7F0A1B2C3D4E}'; then
  echo "test-windows: regsvr32 did not register VerolinSystem.ocx" >&2
  exit 1
fi
echo "test-windows: VerolinSystem.ocx registered"

failed=()
for exe in build-win/tests/windows/*.exe; do
  name=$(basename "$exe" .exe)
  echo "test-windows: $name"
  if ! bash tools/wine-windows.sh "$exe" --gtest_brief=1; then failed+=("$name"); fi
done
# Scripts as a page's script engine runs them (Wine's VBScript). An uncaught script error ends cscript
# quietly with exit code 0, so each script prints a summary line that must say "0 failed".
for script in tests/windows/*.vbs; do
  name=$(basename "$script" .vbs)
  echo "test-windows: $name"
  output=$(wine cscript //nologo "$(winepath -w "$root/$script")" 2>/dev/null | tr -d '\r' || true)
  echo "$output"
  summary=$(grep "^$name: " <<<"$output" || true)
  case $summary in
    *" passed, 0 failed") ;;
    *) failed+=("$name") ;;
  esac
done
# verolin.exe run against a test control in a prefix of its own, then every example page script
# against the real control and word processor, with the reference server running natively.
echo "test-windows: run_page"
if ! bash tests/windows/run_page_test.sh build-win/verolin.exe build-win/tests/windows/run_page_control.dll \
  build-win/wordproc.dll "$root/build-win/prefix-run" >build-win/run_page.log 2>&1; then
  cat build-win/run_page.log >&2
  failed+=(run_page)
fi
echo "test-windows: the examples under Wine"
if ! bash tools/run-examples-windows.sh; then failed+=(examples); fi
if [ "${#failed[@]}" -gt 0 ]; then
  echo "test-windows: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "test-windows: all Windows tests passed"
