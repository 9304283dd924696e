#!/usr/bin/env bash
# verolin.exe run under Wine against the runner's test control and the stand-in word processor, both
# registered by regsvr32 in a prefix of their own: the page script must run to its end, and the
# transcript must show the windows as the Linux transcript shows them.
#   bash tests/windows/run_page_test.sh VEROLIN_EXE CONTROL_DLL WORD_DLL PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$1 control=$2 word=$3
export VEROLIN_WINE_PREFIX=$4
wine() { bash "$here/../../tools/wine-windows.sh" "$@"; }
wine regsvr32 /s "$control"
wine regsvr32 /s "$word"
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"; WINEPREFIX=$VEROLIN_WINE_PREFIX wineserver -k 2>/dev/null || true' EXIT
status=0
wine "$exe" run "$here/run_page.js" -- 甲 乙 >"$out" 2>"$err" || status=$?
cat "$err"
cat "$out"
fail() { echo "FAILED: $*" >&2; exit 1; }
[ "$status" = 0 ] || fail "the page script ended with $status"
grep -qx 'page ran: 甲 乙' "$out" || fail "the script's output"
expect() { grep -qxF -- "$1" "$err" || fail "no transcript line: $1"; }
expect 'msgbox   [信息] 你好 (style 65) -> Cancel'
expect 'msgbox   [信息] 再见 (style 65) -> OK'
expect 'inputbox 签名|姓名| -> "王五"'
expect 'inputbox 签名|姓名| -> Cancel'
expect 'form     show FrmProbe "探针"'
expect 'form     closed FrmProbe'
expect 'word     started version 11.0'
# The colleague's box, answered by the handler without a window on this machine, and their word
# processor, which quits when the page goes; their machine's folder goes with the run.
expect 'colleague msgbox   [信息] 请先打开一篇文档或打开一篇文档. (style 64) -> OK'
expect 'colleague word     started version 11.0'
expect 'colleague word     quit'
left=$(find "$VEROLIN_WINE_PREFIX/drive_c/users" -maxdepth 4 -name 'verolin-colleague-*' 2>/dev/null)
[ -z "$left" ] || fail "the colleague's folder is left behind: $left"
echo "run_page: passed"
