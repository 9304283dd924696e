#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix, preparing the prefix on first use:
#   VEROLIN_WINE_PREFIX=build-win/prefix bash tools/wine-windows.sh program.exe [args]
# The prefix uses Wine's null graphics driver (windows and message boxes exist without an X server) and
# the Simplified Chinese locale, so that the ANSI code page is 936. The program's exit code is passed on.
set -euo pipefail
prefix=${VEROLIN_WINE_PREFIX:-${WINEPREFIX:-$PWD/build-win/prefix}}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$prefix")"
(
  # Parallel tests share one prefix: the first prepares it, the others wait.
  flock 9
  if [ ! -f "$prefix/.verolin-ready" ]; then
    wineboot --init >/dev/null 2>&1 || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.verolin-ready"
  fi
) 9>"$prefix.lock"
exec wine "$@"
