#!/usr/bin/env bash
# Screenshots of the control's four forms as Windows shows them: builds the Windows screens program,
# runs it under Wine on a private Xvfb display and writes build-win/screens/FrmMySign.png,
# FrmHandWritd.png (with a signature drawn by mouse messages), FrmShowElectronSealInfo.png and
# FrmOpMsg.png, and control.png: the control in a page with the word processor embedded, holding a notice
# with a seal placed through FrmMySign and a signature through FrmHandWritd.
#   bash tools/screens-windows.sh [--docs]
# The prefix (build-win/screens-prefix) uses Wine's X11 driver, draws its own window frames (no window
# manager runs on Xvfb) and the Simplified Chinese locale, with Wine's own fonts (the caption buttons) and
# a Chinese font installed from Debian.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

need=()
for pkg in xvfb xauth fonts-wqy-microhei fonts-wine; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get install -y --no-install-recommends "${need[@]}"
fi
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  sed -i 's/^# *zh_CN.UTF-8/zh_CN.UTF-8/' /etc/locale.gen && locale-gen
fi

if [ ! -f build-win/build.ninja ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -G Ninja -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVEROLIN_WERROR=ON "${launcher[@]}"
fi
ninja -C build-win -j2 form_screens control_screens

prefix=$root/build-win/screens-prefix
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
unset WAYLAND_DISPLAY

# A display of our own; Xvfb names the free display number it took.
xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -f "$display_file"
}
display_file=$(mktemp)
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
export DISPLAY=:$(head -n1 "$display_file")

if [ ! -f "$prefix/.verolin-screens" ]; then
  wineboot --init >/dev/null 2>&1 || true
  # Wine draws the frames and captions itself, as Windows does, since no window manager runs here.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
  # The forms ask for 宋体; the Chinese font from Debian stands in for it.
  for face in 宋体 SimSun 新宋体 NSimSun; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null
  done
  # The caption buttons are drawn with Wine's Marlett, which its data folder alone did not provide here.
  cp /usr/share/wine/fonts/marlett.ttf /usr/share/wine/fonts/tahoma*.ttf "$prefix/drive_c/windows/Fonts/"
  wineserver -w
  touch "$prefix/.verolin-screens"
fi

mkdir -p build-win/screens
wine build-win/screens-program/form_screens.exe "$(winepath -w "$root/build-win/screens")"
wine build-win/screens-program/control_screens.exe "$(winepath -w "$root/build-win/screens")"

# With --docs, the pictures that docs/windows-forms.md shows are replaced by the new ones.
if [ "${1:-}" = --docs ]; then
  mkdir -p docs/windows-screens
  cp build-win/screens/Frm*.png build-win/screens/control.png docs/windows-screens/
fi
