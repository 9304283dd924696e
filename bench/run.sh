#!/usr/bin/env bash
# Runs every paired benchmark and writes bench/results.md: each figure against its reference, in
# interleaved pairs (A B A B ...) in one run, outputs synced inside the timing, min/median/max.
#
#   bash bench/run.sh                      # everything (about 20 minutes, needs ~6 GiB in the folder)
#   bash bench/run.sh container road       # some groups: container, road, word, server, wordscale
#
# Environment: BENCH_DIR (folder for the big files, default a fresh one under /tmp, removed at the
# end), PAIRS (default 7), WORD_PAIRS (default 3, for the slow word processor rows), CONTAINER_MIB
# ("256 1024"), ROAD_MIB ("16 64 256 1024"), WORD_MIB ("16 64"), SERVER_SECONDS (length of one load
# run, default 3), WORDSCALE_MIB ("128 1024"), WORDSCALE_PAIRS (1) and WORDSCALE_STOP (12: LibreOffice
# is stopped at that many times the word processor's time) for the word processor alone.
# It builds build/verolin and build/bench/pair, and installs nginx-light and wrk from Debian when
# missing and run as root (the server figures are left out, with a note, when nginx cannot be had).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(container road word server)
wants() { local g; for g in "${groups[@]}"; do [ "$g" = "$1" ] && return 0; done; return 1; }

PAIRS=${PAIRS:-7}
CONTAINER_MIB=${CONTAINER_MIB:-"256 1024"}
ROAD_MIB=${ROAD_MIB:-"16 64 256 1024"}
WORD_MIB=${WORD_MIB:-"16 64"}
WORD_PAIRS=${WORD_PAIRS:-3}
SERVER_SECONDS=${SERVER_SECONDS:-3}
WORDSCALE_MIB=${WORDSCALE_MIB:-"128 1024"}
WORDSCALE_PAIRS=${WORDSCALE_PAIRS:-1}
WORDSCALE_STOP=${WORDSCALE_STOP:-12}

if wants server && ! { command -v nginx >/dev/null && command -v wrk >/dev/null; }; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nginx-light wrk >/dev/null ||
      { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends nginx-light wrk >/dev/null; } ||
      true
  fi
fi
bash tools/build.sh verolin pair road_bench >/dev/null
verolin=$repo/build/verolin
pair=$repo/build/bench/pair
road_bench=$repo/build/bench/road_bench

work=${BENCH_DIR:-$(mktemp -d /tmp/verolin-bench.XXXXXX)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
# nginx started as root serves as an unprivileged user, which must reach the static files: a folder of
# mode 0700 (mktemp's) would have it answer 403 to every request, fast.
chmod 755 "$work"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

out=$repo/bench/results.md
rows=$work/rows.md
: >"$rows"
note() { echo "$*" | tee -a "$rows" >&2; }
table() {
  printf '\n| %s | %s | %s | A/B | CPU time A/B | peak memory A | peak memory B |\n|---|---|---|---|---|---|---|\n' \
    "$1" "$2" "$3" >>"$rows"
}
run_pair() { "$pair" -n "$PAIRS" "$@" | tee -a "$rows" || true; }
load() { cut -d' ' -f1-3 /proc/loadavg; }

# A file of `mib` MiB of text paragraphs in RTF, which the stand-in word processor opens.
make_rtf() {
  local file=$1 mib=$2
  perl -e '
    my ($file, $bytes) = @ARGV;
    open(my $out, ">", $file) or die;
    print $out "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0 SimSun;}}\n";
    my $line = "\\pard The quick brown fox jumps over the lazy dog; ".("0123456789 " x 6)."\\par\n";
    my $written = 60;
    while ($written < $bytes) { print $out $line; $written += length $line; }
    print $out "}\n";
  ' "$file" $((mib << 20))
}

start_server() {  # data folder -> sets page and port
  local data=$1 log=$work/serve-$RANDOM.log
  "$verolin" serve --data "$data" --port 0 --quiet --max-body 4G >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do grep -q '^serving ' "$log" && break; sleep 0.1; done
  page=$(sed -n 's/^serving \([^ ]*\).*/\1/p' "$log")
  port=$(echo "$page" | sed 's|http://[^:]*:\([0-9]*\)/.*|\1|')
  [ -n "$page" ] || { cat "$log" >&2; exit 1; }
}

started_load=$(load)
started_at=$(date -u '+%Y-%m-%d %H:%M UTC')

if wants container; then
  note ""
  note "### Container: \`verolin encrypt\` / \`decrypt\` against \`cp\`, each followed by \`sync\` of its output"
  table "file" "verolin (A)" "cp (B)"
  for mib in $CONTAINER_MIB; do
    head -c $((mib << 20)) /dev/urandom >"$work/src.doc"
    "$verolin" encrypt "$work/src.doc" -o "$work/src.jia" >/dev/null
    run_pair --before "rm -f $work/out.jia $work/copy.doc; sync" "encrypt $mib MiB" \
      "$verolin encrypt $work/src.doc -o $work/out.jia >/dev/null && sync $work/out.jia" \
      "cp $work/src.doc $work/copy.doc && sync $work/copy.doc"
    run_pair --before "rm -f $work/out.doc $work/copy.jia; sync" "decrypt $mib MiB" \
      "$verolin decrypt $work/src.jia -o $work/out.doc >/dev/null && sync $work/out.doc" \
      "cp $work/src.jia $work/copy.jia && sync $work/copy.jia"
    rm -f "$work"/src.* "$work"/out.* "$work"/copy.*
  done
fi

if wants road || wants word; then
  data=$work/data
  mkdir -p "$data"
  for mib in $ROAD_MIB $WORD_MIB; do
    [ -e "$data/.doc$mib" ] && continue
    make_rtf "$work/doc$mib.doc" "$mib"
    "$verolin" doc put "$work/doc$mib.doc" --data "$data" >/dev/null
    rm "$work/doc$mib.doc"
    touch "$data/.doc$mib"
  done
  start_server "$data"
  down() { echo "$page?filetype=1&RequestType=DOWN&filename=$1"; }
  up() { echo "$page?Dn=&Dt=&Di=&Sn=&St=&Si=&savetype=1&RequestType=UPLOAD&path=$1"; }

  if wants road; then
    note ""
    note "### Document road: the control's download (\`verolin run --no-word\`) against a raw GET (\`curl\`) of the same container, each followed by \`sync\` of its output; \"in process\" rows: the control's download routine against a libcurl GET, and its upload (the container enciphered from the plain file as it is posted) against a libcurl POST of the container file, in one process (bench/road_bench.cc), memory as the growth of the peak"
    table "document" "control (A)" "curl GET (B)"
    for mib in $ROAD_MIB; do
      root=$work/root
      run_pair --before "rm -rf $root $work/got.jia; mkdir -p $root; sync" "download $mib MiB" \
        "$verolin run --no-word --root $root $repo/bench/road-download.js -- $page doc$mib.jia && sync $root/c/temp/doc$mib.doc" \
        "curl -sf -o $work/got.jia '$(down doc$mib.jia)' && sync $work/got.jia"
      # The same without the two processes around it: the control's routine against a libcurl GET.
      # and the control's upload of the same document (enciphered as it is posted) against a raw POST.
      TMPDIR=$work "$road_bench" "$page" "doc$mib.jia" "$PAIRS" upload | tee -a "$rows" || true
    done
    rm -rf "$work/root" "$work/got.jia"
  fi

  if wants word; then
    note ""
    note "### Document road with the word processor: download, open, one typed line, save and upload (\`verolin run\`) against a raw GET and a POST of the same container (\`curl\`)"
    table "document" "control and word processor (A)" "curl GET + POST (B)"
    for mib in $WORD_MIB; do
      root=$work/root
      "$pair" -n "$WORD_PAIRS" --before "rm -rf $root $work/got.jia; mkdir -p $root; sync" "road $mib MiB" \
        "$verolin run --root $root $repo/bench/road-edit.js -- $page doc$mib.jia" \
        "curl -sf -o $work/got.jia '$(down doc$mib.jia)' && sync $work/got.jia && curl -sf -o /dev/null --data-binary @$work/got.jia -H 'Content-Type:' '$(up doc$mib.jia)'" |
        tee -a "$rows" || true
    done
    rm -rf "$work/root" "$work/got.jia"
  fi
fi

if wants wordscale; then
  # The word processor alone on large documents (made by bench/wordproc_doc), against LibreOffice
  # converting the same file (open and save in one command). LibreOffice takes minutes for 16 MiB and
  # had not finished a 128 MiB text file after 19, so the default is one pair after no warm-up, and
  # LibreOffice is stopped once it has taken WORDSCALE_STOP times the word processor's time: enough to
  # show the goal (a tenth) without waiting hours for the reference.
  note ""
  if ! command -v libreoffice >/dev/null; then
    note "Word processor at scale left out: libreoffice is not installed."
  else
    bash tools/build.sh wordproc_doc >/dev/null
    wdoc=$repo/build/bench/wordproc_doc
    note "### The word processor at document scale: open, and open + one typed line + save (\`bench/wordproc_doc\`), against \`libreoffice --headless --convert-to rtf\` of the same file"
    table "document" "word processor (A)" "LibreOffice (B)"
    lo="libreoffice -env:UserInstallation=file://$work/lo-profile --headless --convert-to rtf --outdir $work/lo-out"
    # A stopped LibreOffice leaves its profile's lock behind, which would hold up the next one.
    lo_clean="rm -rf $work/lo-out/* $work/lo-profile/.lock"
    for kind in text pictures; do
      for mib in $WORDSCALE_MIB; do
        mkdir -p "$work/wroot/c" "$work/lo-out"
        "$wdoc" make "$kind" "$mib" "$work/wroot/c/doc.rtf"
        cp "$work/wroot/c/doc.rtf" "$work/pristine.rtf"
        size=$(du -m "$work/pristine.rtf" | cut -f1)
        "$pair" -n "$WORDSCALE_PAIRS" --warmup 0 --stop-b-at "$WORDSCALE_STOP" --before "$lo_clean; sync" \
          "$kind $mib MiB ($size MiB file): open" \
          "$wdoc open $work/wroot 'c:\\doc.rtf'" "$lo $work/pristine.rtf" | tee -a "$rows" || true
        "$pair" -n "$WORDSCALE_PAIRS" --warmup 0 --stop-b-at "$WORDSCALE_STOP" \
          --before "cp $work/pristine.rtf $work/wroot/c/doc.rtf; $lo_clean; sync" \
          "$kind $mib MiB: open + edit + save" \
          "$wdoc edit $work/wroot 'c:\\doc.rtf' && sync $work/wroot/c/doc.rtf" \
          "$lo $work/pristine.rtf && sync $work/lo-out/pristine.rtf" | tee -a "$rows" || true
        rm -rf "$work/wroot" "$work/lo-out" "$work/pristine.rtf"
      done
    done
    note ""
    note "Goals: peak memory of open + edit + save within 1.5 × the file + 32 MiB; each of open and save within 0.1 × LibreOffice's time. The CPU time column is the steadier one on a loaded machine. A LibreOffice run stopped at $WORDSCALE_STOP× the word processor's time shows as \"≥\" that time, with \"≤\" on the ratios: it had not finished by then."
  fi
fi

if wants server; then
  note ""
  if ! command -v nginx >/dev/null || ! command -v wrk >/dev/null; then
    note "Server figures left out: nginx or wrk is not installed (Debian packages nginx-light and wrk)."
  else
    sdata=$work/sdata
    static=$work/static
    mkdir -p "$sdata" "$static" "$work/nginx"
    head -c $((100 << 10)) /dev/urandom >"$work/small.doc"
    "$verolin" doc put "$work/small.doc" --data "$sdata" >/dev/null
    start_server "$sdata"
    curl -sf -o "$static/small.jia" "$page?filetype=1&RequestType=DOWN&filename=small.jia"
    nport=$((port + 1))
    cat >"$work/nginx/nginx.conf" <<EOF
worker_processes auto;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  sendfile on;
  keepalive_requests 100000000;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  server { listen 127.0.0.1:$nport; root $static; }
}
EOF
    serve_pid=${pids[-1]}
    nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
    nginx_pid=$!
    pids+=($nginx_pid)
    for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$nport/small.jia" && break; sleep 0.1; done
    ours="$page?filetype=1&RequestType=DOWN&filename=small.jia"
    theirs="http://127.0.0.1:$nport/small.jia"
    # Both servers must answer the same bytes, or the figures compare an answer with an error page.
    for url in "$ours" "$theirs"; do
      curl -sf -o "$work/check.jia" "$url" && cmp -s "$work/check.jia" "$static/small.jia" ||
        { echo "bench: $url does not answer the 100 KiB container" >&2; exit 1; }
    done
    # A load run counts every answer, errors too: one that is not 2xx fails the pair.
    rate() {
      echo "wrk $1 -d${SERVER_SECONDS}s $2 '$3' | awk '/^Requests\\/sec/ {r = \$2} /Non-2xx/ {bad = 1}
        END {if (bad || r == \"\") exit 1; print r}'"
    }
    note "### Server: \`verolin serve\` against nginx serving the same 100 KiB container statically (wrk), requests per second (higher is better, so A/B above 1 favours \`verolin serve\`)"
    table "clients" "verolin serve (A)" "nginx (B)"
    close="-H 'Connection: close'"
    run_pair --rate "8, keep-alive" "$(rate "-t2 -c8" "" "$ours")" "$(rate "-t2 -c8" "" "$theirs")"
    run_pair --rate "8, a connection per request" "$(rate "-t2 -c8" "$close" "$ours")" \
      "$(rate "-t2 -c8" "$close" "$theirs")"
    run_pair --rate "1, keep-alive" "$(rate "-t1 -c1" "" "$ours")" "$(rate "-t1 -c1" "" "$theirs")"
    hwm() { awk '/^VmHWM/ {printf "%.1f MiB", $2 / 1024}' "/proc/$1/status" 2>/dev/null; }
    workers=$(for w in $(pgrep -P "$nginx_pid"); do hwm "$w"; echo -n " "; done)
    note ""
    note "(The memory columns above are the load client's.) Peak resident memory after all server rows: \`verolin serve\` $(hwm "$serve_pid"); nginx workers $workers."
  fi
fi

{
  echo "# Benchmark results"
  echo
  echo "Written by \`bash bench/run.sh ${groups[*]}\` on $started_at: $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')),"
  echo "$(free -g | awk '/^Mem/ {print $2}') GiB of memory, the files on $(df -T "$work" | awk 'NR==2 {print $2}')."
  echo "Load average (1, 5, 15 minutes) at the start: $started_load; at the end: $(load)."
  echo "$PAIRS pairs per row ($WORD_PAIRS for the word processor's) after one warm-up pair; each cell is the median (min–max); A/B is taken pair by pair."
  echo "Peak memory is the largest resident set of the command and its children (the shell around them included)."
  cat "$rows"
} >"$out"
echo "wrote $out" >&2
