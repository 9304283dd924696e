#!/usr/bin/env bash
# The program as a user gets it: a plain Release build in build-release/ (no warnings as errors, no
# compiler cache), the Debian package made from it, its contents and metadata checked with dpkg-deb
# and lintian, the package unpacked into a throwaway root, the installed program run, the service unit
# verified where systemd can, and the unit's command run by hand to serve a document to the control.
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-dev and file: the dependencies that cpack reads from the program (shlibdeps).
bash tools/setup.sh lintian dpkg-dev file man-db

dir=build-release
step() { echo "== package test: $*"; }
fail() {
  echo "package test FAILED: $*" >&2
  exit 1
}

step "plain Release build of the program in $dir/"
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$dir" verolin

step "cpack -G DEB"
rm -f "$dir"/verolin_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
debs=("$dir"/verolin_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no package"
deb=${debs[0]}
echo "$deb"

work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

step "metadata (dpkg-deb --info)"
dpkg-deb --info "$deb" >"$work/info"
dpkg-deb --field "$deb" Package Version Architecture Depends
[ "$(dpkg-deb --field "$deb" Package)" = verolin ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libc6 libstdc++6 libcurl4 libsqlite3-0 libduktape adduser; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib (shlibdeps): $depends"
done
grep -q '^ */etc/verolin/verolin.conf$' <(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles) ||
  fail "verolin.conf is not a conffile"
for script in postinst prerm postrm; do
  grep -q " $script " "$work/info" || fail "no $script"
done

step "contents (dpkg-deb --contents)"
dpkg-deb --contents "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/verolin ./usr/share/man/man1/verolin.1.gz ./usr/share/doc/verolin/README.md \
  ./usr/share/doc/verolin/docs/server.md ./usr/share/doc/verolin/docs/page-scripts.md \
  ./usr/share/doc/verolin/copyright ./usr/share/verolin/examples/download-upload.js \
  ./usr/share/verolin/examples/seal-zhang.png ./lib/systemd/system/verolin.service ./etc/verolin/verolin.conf; do
  grep -qx "$path" "$work/contents" || fail "the package lacks $path"
done
echo "$(wc -l <"$work/contents") entries, all expected paths present"

step "lintian (no errors)"
lintian_status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || lintian_status=$?
# Run as root, lintian says so; that line is not about the package.
grep -v 'running with root privileges' "$work/lintian" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"

step "unpacked into a throwaway root"
root=$work/root
dpkg-deb -x "$deb" "$root"
"$root/usr/bin/verolin" --version | tee "$work/version"
grep -q "^verolin $(sed -n 's/^project(VerolinSystem VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)$" "$work/version" ||
  fail "the installed program reports another version"
grep -q '^build type: Release$' "$work/version" || fail "not the Release build"
man -l "$root/usr/share/man/man1/verolin.1.gz" 2>/dev/null | grep -q 'verolin doc get' ||
  fail "the manual page lacks the subcommands"

unit=$root/lib/systemd/system/verolin.service
if command -v systemd-analyze >/dev/null; then
  step "systemd-analyze verify"
  # The unit as shipped, pointed at the unpacked root instead of /usr/bin and /etc. verify exits 0 on
  # an unknown key or a value it ignores, so any word from it fails the test.
  mkdir -p "$work/units"
  sed -e "s|/usr/bin/verolin|$root/usr/bin/verolin|" -e "s|/etc/verolin/|$root/etc/verolin/|" "$unit" \
    >"$work/units/verolin.service"
  systemd-analyze verify --man=no "$work/units/verolin.service" >"$work/verify" 2>&1 || true
  if [ -s "$work/verify" ]; then
    cat "$work/verify" >&2
    fail "systemd-analyze verify"
  fi
  echo "no findings"
else
  step "systemd-analyze verify: SKIPPED (systemd is not installed on this machine)"
fi

step "the unit's ExecStart, run by hand with the conffile's options"
state=$work/state
mkdir -p "$state"
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
# The conffile as shipped, but on any free port (8080 may be taken here).
sed 's/--port 8080/--port 0/' "$root/etc/verolin/verolin.conf" >"$work/verolin.conf"
grep -q -- '--port 0' "$work/verolin.conf" || fail "the conffile's port line changed; adjust this test"
command_line=${exec_start//\/usr\/bin\/verolin/$root/usr/bin/verolin}
command_line=${command_line//\/var\/lib\/verolin/$state}
echo "ExecStart=$exec_start"
# The demo's document, stored with the installed program.
printf '%s\n' '{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fnil SimSun;}}' \
  '\pard\fs24 Quarterly report, draft for review.\par}' >"$work/report.doc"
"$root/usr/bin/verolin" doc put "$work/report.doc" --data "$state" >/dev/null
(
  set -a
  # shellcheck disable=SC1091
  . "$work/verolin.conf"
  set +a
  set +u # as systemd does, an unset variable (the session line left commented) expands to nothing
  eval "exec $command_line"
) >"$work/serve.out" 2>"$work/serve.err" &
server_pid=$!
page=
for _ in $(seq 1 100); do
  page=$(sed -n 's/^serving \([^ ]*\).*/\1/p' "$work/serve.out")
  [ -n "$page" ] && break
  sleep 0.1
done
[ -n "$page" ] || {
  cat "$work/serve.err" >&2
  fail "the service command did not start"
}
echo "serving $page"
"$root/usr/bin/verolin" run "$root/usr/share/verolin/examples/download-upload.js" -- "$page" report.jia \
  >"$work/run.out" 2>"$work/run.err" || {
  cat "$work/run.err" >&2
  fail "the installed example could not download, edit and upload the document"
}
"$root/usr/bin/verolin" doc list --data "$state" | grep -q '^report.jia.*version 2$' ||
  fail "the upload did not reach the store"
kill -TERM "$server_pid"
wait "$server_pid" || fail "the service did not stop cleanly on SIGTERM"
server_pid=
echo "the installed example downloaded, edited and uploaded report.jia; the service stopped on SIGTERM"
step "passed"
