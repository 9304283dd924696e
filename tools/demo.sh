#!/usr/bin/env bash
# Builds the program and runs the demo: a reference server on loopback with one stored document, and
# page scripts that play a web page and its user against the control: open a local file, create a
# document, download-edit-upload in both transfer modes, send a client file, insert a network picture,
# steer tracked revisions and protection and put a red header on a document that goes to the server,
# seal and sign, and two people upload one document in turn without losing either version.
# Each page script's transcript (message boxes, status strip, windows, HTTP exchanges) goes to the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
# Only the program: the demo runs no test.
if [ -t 1 ]; then
  echo "== building build/verolin (a first build takes a few minutes)"
  bash tools/build.sh verolin
else
  bash tools/build.sh verolin >/dev/null
fi
bin=build/verolin
work=$(mktemp -d)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A small document as the word processor saves it.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fnil SimSun;}}' \
  '\pard\qc\b\fs32 \u20851?\u20110?\u23450?\u30003?\u30340?\u36890?\u30693?\b0\par' \
  '\pard\fs24 Quarterly report, draft for review.\par}' >"$work/report.doc"
"$bin" doc put "$work/report.doc" --data "$work/data" >/dev/null
# The same draft under a name of its own for the two people of the conflict step, so that the sealed
# report stays as the seal step leaves it.
"$bin" doc put "$work/report.doc" --name minutes.jia --data "$work/data" >/dev/null
# A seal owner whose stamp the server keeps encrypted under the owner's seal password.
"$bin" owner add 张三 --picture examples/seal-zhang.png --password zs123 --data "$work/data" >/dev/null

"$bin" serve --data "$work/data" --port 0 >"$work/serve.out" 2>"$work/serve.err" &
server_pid=$!
page=
for _ in $(seq 1 100); do
  page=$(sed -n 's/^serving \([^ ]*\).*/\1/p' "$work/serve.out")
  [ -n "$page" ] && break
  sleep 0.1
done
[ -n "$page" ] || { cat "$work/serve.err" >&2; echo "the server did not start" >&2; exit 1; }
echo "== reference server at $page"

run() {
  echo
  echo "== verolin run examples/$1 ${*:2}"
  "$bin" run "examples/$1" --root "$work/root" -- "${@:2}"
}
run open-local-file.js
run new-document.js
run download-upload.js "$page" report.jia
run download-upload-plain.js "$page" report.jia
run client-upload.js "$page"
run network-picture.js "$page"
run document-commands.js "$page" request.jia
run seal.js "$page" report.jia 张三 zs123
run signature.js "$page" signed.jia
run conflict.js "$page" minutes.jia
echo
echo "== what the server keeps"
"$bin" doc list --data "$work/data"

# The finished documents, kept for a person to look at: the sealed report, the signed approval and the
# red-header request, each also as a page image where LibreOffice is installed.
out=demo-output
rm -rf "$out"
mkdir -p "$out"
for name in report signed request; do
  "$bin" doc get "$name.jia" "$out/$name.doc" --data "$work/data" >/dev/null
  if command -v libreoffice >/dev/null; then
    (cd "$out" && cp "$name.doc" "$name.rtf" &&
      timeout 120 libreoffice --headless --convert-to pdf "$name.rtf" >/dev/null 2>&1 && rm "$name.rtf") || true
    if [ -f "$out/$name.pdf" ] && command -v pdftoppm >/dev/null; then
      pdftoppm -png -r 60 -f 1 -l 1 "$out/$name.pdf" "$out/$name" >/dev/null 2>&1 || true
    fi
  fi
done
echo
echo "== the finished documents are in $out/: $(cd "$out" && ls | tr '\n' ' ')"
