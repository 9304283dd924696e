#!/usr/bin/env bash
# Every example page script under Wine: build-win/verolin.exe creates VerolinSystem.ocx by its ProgID,
# the control starts the stand-in word processor (build-win/wordproc.dll) by "Word.Application", and
# talks to the reference server, which runs natively on loopback (build/verolin serve). Each example
# also runs on Linux against a server of its own with the same documents, and the two transcripts are
# compared line by line where the platform does not differ (see `comparable` below).
#   bash tools/run-examples-windows.sh            # after tools/test-windows.sh has built build-win/
# Exit status 0 when every example completed under Wine, 1 otherwise. The transcripts are kept in
# build-win/examples/ (NAME.linux, NAME.windows, NAME.diff).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
[ -x build/verolin ] || bash tools/build.sh verolin >/dev/null
for f in build-win/verolin.exe build-win/VerolinSystem.ocx build-win/wordproc.dll; do
  [ -f "$f" ] || { echo "run-examples-windows: $f is missing (run tools/test-windows.sh first)" >&2; exit 1; }
done

out=$root/build-win/examples
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
pids=()
export VEROLIN_WINE_PREFIX=$root/build-win/prefix-examples
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  WINEPREFIX=$VEROLIN_WINE_PREFIX wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine() { bash "$root/tools/wine-windows.sh" "$@"; }

# The machine's working folder as a fresh machine has it: no working copies of earlier runs.
rm -rf "$VEROLIN_WINE_PREFIX/drive_c/temp"
# The control and the word processor, registered as on a machine with both installed.
wine regsvr32 /s "$root/build-win/VerolinSystem.ocx"
wine regsvr32 /s "$root/build-win/wordproc.dll"

# One server per system, each over the same documents and seal owner as the demo's.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fnil SimSun;}}' \
  '\pard\qc\b\fs32 \u20851?\u20110?\u23450?\u30003?\u30340?\u36890?\u30693?\b0\par' \
  '\pard\fs24 Quarterly report, draft for review.\par}' >"$work/report.doc"
# Not in a command substitution: the server's process id must reach `pids` in this shell, so that the
# cleanup stops it (and the server must not hold the substitution's pipe open).
start_server() {  # start_server NAME VARIABLE: sets VARIABLE to the page URL
  local data=$work/$1
  build/verolin doc put "$work/report.doc" --data "$data" >/dev/null
  build/verolin doc put "$work/report.doc" --name minutes.jia --data "$data" >/dev/null
  build/verolin owner add 张三 --picture examples/seal-zhang.png --password zs123 --data "$data" >/dev/null
  build/verolin serve --data "$data" --port 0 </dev/null >"$data.out" 2>"$data.err" &
  pids+=($!)
  for _ in $(seq 1 100); do
    local page
    page=$(sed -n 's/^serving \([^ ]*\).*/\1/p' "$data.out")
    [ -n "$page" ] && { printf -v "$2" '%s' "$page"; return; }
    sleep 0.1
  done
  cat "$data.err" >&2
  return 1
}
start_server linux linux_page
start_server windows windows_page

# What both systems show alike: the boxes, forms and dialogs, the property changes and the word
# processor's steps, with the server's port and the working copies' time-made names taken out (the
# seconds they are made of pass at each system's own speed), the colleague's lines (marked "colleague")
# as well as the user's. The status strip and the windows belong to the control's windows, and the HTTP
# lines to the request object, which differ between the systems.
comparable() {
  grep -E '^(colleague )?(msgbox|inputbox|form|dialog|property|word) ' "$1" |
    sed -E 's/127\.0\.0\.1:[0-9]+/127.0.0.1:PORT/g; s/[0-9]{8,}(-[0-9]+)?\.(doc|jia|htm|bmp|gif|jpg|png)/NNN.\2/g' || true
}

failed=()
differs=()
example() {  # example SCRIPT ARGS... (ARGS may name the page as PAGE)
  local script=$1 name=${1%.js}
  shift
  local linux_args=() windows_args=()
  for a in "$@"; do
    linux_args+=("${a//PAGE/$linux_page}")
    windows_args+=("${a//PAGE/$windows_page}")
  done
  build/verolin run "examples/$script" --root "$work/root" -- "${linux_args[@]}" \
    >"$out/$name.linux.out" 2>"$out/$name.linux" || true
  local status=0
  wine build-win/verolin.exe run "examples/$script" -- "${windows_args[@]}" \
    >"$out/$name.windows.out" 2>"$out/$name.windows" || status=$?
  if [ "$status" != 0 ]; then
    failed+=("$name")
    echo "run-examples-windows: $script FAILED under Wine (exit $status):" >&2
    tail -5 "$out/$name.windows" | sed 's/^/    /' >&2
    return
  fi
  if diff <(comparable "$out/$name.linux") <(comparable "$out/$name.windows") >"$out/$name.diff"; then
    echo "run-examples-windows: $script completed; its transcript matches Linux"
  else
    differs+=("$name")
    echo "run-examples-windows: $script completed; its transcript differs from Linux (build-win/examples/$name.diff)"
  fi
}

example open-local-file.js
example new-document.js
example properties.js
example download-upload.js PAGE report.jia
example download-upload-plain.js PAGE report.jia
example client-upload.js PAGE
example network-picture.js PAGE
example document-commands.js PAGE request.jia
example seal.js PAGE report.jia 张三 zs123
example signature.js PAGE signed.jia
# The colleague sits at a machine of their own: stand-ins under the run's temporary folder.
example conflict.js PAGE report.jia

if [ "${#failed[@]}" -gt 0 ]; then
  echo "run-examples-windows: FAILED under Wine: ${failed[*]}" >&2
  exit 1
fi
echo "run-examples-windows: every example completed under Wine${differs:+ (transcripts differ: ${differs[*]})}"
