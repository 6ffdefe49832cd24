#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer; every plugin instrumented too) in build-fuzz/ and
# runs each for a bounded time from the seeds in fuzz/corpus/:
#   scripts/fuzz.sh [plugins] [patch] [audio] [midi] [lv2]   (default: all five)
#   SE_FUZZ_SECONDS=300 scripts/fuzz.sh patch       (default: 30 s each)
# A crash, leak, sanitizer report, out-of-memory or timeout fails the run. The
# input that caused it is kept in build-fuzz/run/findings/ (its path printed,
# and its base64 too when it is small, since CI's folder does not outlive CI).
# Reproduce one with: build-fuzz/fuzz/fuzz_<target> <file>
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${SE_FUZZ_SECONDS:-30}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(plugins patch audio midi lv2)
for t in "${targets[@]}"; do
  case "$t" in
    plugins | patch | audio | midi | lv2) ;;
    *) echo "fuzz: unknown target '$t' (plugins, patch, audio, midi, lv2)" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh --fuzz
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release \
  -DSE_BUILD_FUZZ=ON -DSE_BUILD_TESTS=OFF -DSE_BUILD_BENCH=OFF -DSE_BUILD_LV2=ON >/dev/null
cmake --build build-fuzz --target se_fuzzers -j "$(nproc)"

run="$PWD/build-fuzz/run"
rm -rf "$run"
mkdir -p "$run/tmp" "$run/findings"
export TMPDIR="$run/tmp"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
bin=build-fuzz/fuzz

# Each target's working corpus (where new inputs go) and its seeds.
seeds() { # <target> <corpus dir>
  case "$1" in
    plugins) cp fuzz/corpus/plugins/*.bin "$2/" ;;
    patch) cp fuzz/corpus/patch/*.json examples/*.json "$2/" ;;
    audio) "$bin/fuzz_audio_seeds" "$2" ;;
    midi) cp fuzz/corpus/midi/*.mid "$2/" ;;
    lv2) cp fuzz/corpus/lv2/*.bin "$2/" ;;
  esac
}
options() { # <target>: what each input may be
  case "$1" in
    plugins) echo "-max_len=2048" ;;
    patch) echo "-max_len=4096 -dict=fuzz/patch.dict" ;;
    audio) echo "-max_len=8192" ;;
    midi) echo "-max_len=4096 -dict=fuzz/midi.dict" ;;
    lv2) echo "-max_len=2048" ;;
  esac
}

report_findings() { # <target>
  local f found=0
  for f in "$run/findings/$1"-*; do
    [ -e "$f" ] || continue
    found=1
    echo "fuzz: $1 failed on $f ($(stat -c %s "$f") bytes)"
    if [ "$(stat -c %s "$f")" -le 8192 ]; then
      echo "fuzz: base64 of the input (decode with: base64 -d > input):"
      base64 -w 100 "$f"
    fi
  done
  [ "$found" = 1 ] || echo "fuzz: $1 failed without saving an input (see the log above)"
}

status=0
summary=()
for t in "${targets[@]}"; do
  corpus="$run/corpus-$t"
  mkdir -p "$corpus"
  seeds "$t" "$corpus"
  echo "==== fuzz: $t for $seconds s"
  rc=0
  # shellcheck disable=SC2046 # the options are words
  timeout $((seconds + 300)) "$bin/fuzz_$t" "$corpus" $(options "$t") \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$run/findings/$t-" \
    </dev/null >"$run/$t.log" 2>&1 || rc=$?
  execs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/$t.log")"
  if [ "$rc" -ne 0 ]; then
    grep -v '^"' "$run/$t.log" | tail -n 80 || true
    report_findings "$t"
    status=1
    summary+=("$t: FAILED")
  else
    summary+=("$t: ${execs:-?} runs")
  fi
done
echo "==== fuzz: ${summary[*]}"
exit "$status"
