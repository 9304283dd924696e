#!/usr/bin/env bash
# Builds the fuzz targets with clang in build-fuzz/ (libraries included, all under libFuzzer's coverage,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), one after
# the other, starting from its seeds in fuzz/corpus/<target>/. Any crash, leak, time-out or broken
# property fails the run; the input that did it is kept in build-fuzz/findings/<target>/.
#
#   bash tools/fuzz.sh [SECONDS] [TARGET...]      (VEROLIN_FUZZ_SEED=N: libFuzzer's -seed, else a new one)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
all=(container_fuzz document_fuzz editing_fuzz html_fuzz picture_fuzz codepage_fuzz url_fuzz list_answer_fuzz
  server_fuzz session_fuzz)
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")

bash tools/setup.sh clang-14 libclang-rt-14-dev ccache
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# -O1 and line tables only: quick to build, still fast to run, and stack traces name the lines.
flags="-O1 -gline-tables-only -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined"
flags+=" -fno-sanitize-recover=undefined"
CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="$flags" \
  -DVEROLIN_WERROR=ON "${launcher[@]}" >/dev/null
ninja -C build-fuzz -j2 "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
summary=()
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  findings=build-fuzz/findings/$t
  mkdir -p "$corpus" "$findings" fuzz/corpus/"$t"
  options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
    -artifact_prefix="$findings/")
  [ -f fuzz/"$t".dict ] && options+=(-dict=fuzz/"$t".dict)
  # A fixed seed makes a run of one commit take the same path on every machine of the same speed.
  [ -n "${VEROLIN_FUZZ_SEED:-}" ] && options+=(-seed="$VEROLIN_FUZZ_SEED")
  [ -f fuzz/"$t".options ] && read -r -a extra <fuzz/"$t".options && options+=("${extra[@]}")
  # Targets named in VEROLIN_FUZZ_REPLAY only replay their seeds (and what earlier runs kept): for a target
  # whose runs still find faults that are not mended yet, so that the run still guards what was mended.
  [[ " ${VEROLIN_FUZZ_REPLAY:-} " == *" $t "* ]] && options+=(-runs=0)
  echo "== $t for ${seconds}s"
  log=build-fuzz/$t.log
  # New inputs go into build-fuzz/corpus; the seeds in the repository stay as they are.
  if build-fuzz/fuzz/"$t" "${options[@]}" "$corpus" fuzz/corpus/"$t" >"$log" 2>&1; then
    result=clean
  else
    result=FAILED
    failed+=("$t")
    grep -E -A40 '^==[0-9]+==|ERROR|Assertion|runtime error|round trip|property' "$log" | head -80 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  summary+=("$(printf '%-18s %12s runs  %s' "$t" "${runs:-?}" "$result")")
done
printf '%s\n' "${summary[@]}"
if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]} (logs in build-fuzz/<target>.log, inputs in build-fuzz/findings/)" >&2
  exit 1
fi
