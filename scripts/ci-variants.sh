#!/usr/bin/env bash
# CI's other builds of the same tree, each with the whole test suite:
#   linux32   g++ -m32: the exact 32-bit record layouts, tests on 32-bit
#   sanitize  AddressSanitizer + UndefinedBehaviorSanitizer, failing on any report
#   tsan      ThreadSanitizer: the three plugins and the test that runs them on
#             several threads at once (only those, to keep the step short)
#   fuzz      the fuzz targets of fuzz/, each run for a bounded time (scripts/fuzz.sh)
#   deb       the Debian package of the linux64 build (build/, as scripts/test.sh
#             leaves it): lintian without errors, and the package unpacked with
#             dpkg -x run from there (scripts/check-deb.sh), in at most 10 minutes
#   win32     the three plugin DLLs (export and import tables checked), their
#             zip package for Windows users (contents and checksums checked),
#             and the test suite and command-line tool built for Windows, run
#             under wine against those DLLs
#   web       the WebAssembly build (Emscripten, build-web/): the fixed and the
#             synth scenarios under Node.js with the shared hashes, the SIMD128
#             lanes, and the page in headless Chromium, whose offline rendering
#             must equal the linux64 build's se-host (build/, as for deb)
#   scripts/ci-variants.sh [deb] [linux32] [sanitize] [tsan] [fuzz] [win32] [web]   (default: all seven)
# The benchmarks are left out of these builds, and the command-line tool out
# of linux32 (Debian has no 32-bit builds of its libraries on this machine).
set -euo pipefail
cd "$(dirname "$0")/.."

variants=("$@")
[ ${#variants[@]} -gt 0 ] || variants=(deb linux32 sanitize tsan fuzz win32 web)
setup=(--all)
for v in "${variants[@]}"; do
  case "$v" in
    deb | linux32 | sanitize | tsan | fuzz | win32) ;;
    web) setup+=(--web --browser) ;;
    *) echo "ci-variants: unknown build '$v'" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh "${setup[@]}"

jobs="$(nproc)"
common=(-DSE_WERROR=ON -DSE_BUILD_TOOLS=OFF -DSE_BUILD_BENCH=OFF)
ctest_args=(--output-on-failure --timeout 600 -j "$jobs")

build_and_test() { # <build dir> <cmake args...>
  local dir="$1"
  shift
  cmake -S . -B "$dir" "${common[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" "${ctest_args[@]}"
}

deb() {
  # The linux64 build as the test command leaves it (built again if need be,
  # with its own settings); the package is made from its install rules.
  cmake -S . -B build -DSE_WERROR=ON >/dev/null
  cmake --build build -j "$jobs"
  timeout 600 bash scripts/check-deb.sh build
}

linux32() {
  build_and_test build-linux32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux32.cmake \
    -DCMAKE_BUILD_TYPE=Release
}

sanitize() {
  export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # -O1 with line tables, as for tsan: the reports still name file and line,
  # and the build, the longest step of this variant, takes far less time.
  build_and_test build-asan -DSE_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DSE_BUILD_TOOLS=ON
}

tsan() {
  # -O1 with line tables: the reports name file and line, and the largest
  # plugin source compiles in half the time of -O2 -g.
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
  cmake -S . -B build-tsan "${common[@]}" -DSE_SANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
  cmake --build build-tsan -j "$jobs" --target threads_tests
  ctest --test-dir build-tsan "${ctest_args[@]}" --no-tests=error -R '^Threads\.'
}

fuzz() {
  # 10 s a target keeps the whole CI under its 40 minutes; SE_FUZZ_SECONDS
  # runs them longer by hand.
  SE_FUZZ_SECONDS="${SE_FUZZ_SECONDS:-10}" bash scripts/fuzz.sh
}

kill_wine() {
  # The server saves the prefix as it ends: wait for that before removing it.
  timeout 30 wineserver --kill >/dev/null 2>&1 || true
  timeout 30 wineserver --wait >/dev/null 2>&1 || true
  # Any wine process that still hangs on.
  pkill -9 -f "qemu-i386 /usr/lib/wine" >/dev/null 2>&1 || true
}

stop_wine() {
  kill_wine
  rm -rf "$wine_tmp"
}

start_wine() {
  local try
  for try in 1 2; do
    if timeout 300 scripts/wine-run.sh cmd.exe /c exit; then return 0; fi
    echo "ci-variants: wine did not start (try $try)" >&2
    kill_wine
    rm -rf "$WINEPREFIX" "$WINEPREFIX.lock"
  done
  return 1
}

win32() {
  # The deliverable DLLs: build-win32/plugins/, checked before anything runs.
  cmake -S . -B build-win32 "${common[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake \
    -DCMAKE_BUILD_TYPE=Release -DSE_BUILD_TESTS=OFF >/dev/null
  cmake --build build-win32 -j "$jobs"
  # All three deliverables exist now: exactly those three, each one checked.
  SE_REQUIRE_ALL_PLUGINS=1 bash scripts/check-dlls.sh build-win32
  # The package for Windows users (CPack), its contents and checksums checked.
  rm -f build-win32/se-modules-*-win32.zip build-win32/se-modules-*-win32.zip.sha256
  (cd build-win32 && cpack >/dev/null)
  bash scripts/check-package.sh build-win32

  # The whole test suite for Windows (GoogleTest needs the posix thread
  # model), loading those DLLs, under wine in a prefix of our own for this run.
  # Every wine start and the whole run are bounded, so that a wine that hangs
  # fails CI in minutes instead of holding it to its limit.
  wine_tmp="$(mktemp -d /tmp/se-wine.XXXXXX)"
  export WINEPREFIX="$wine_tmp/prefix"
  trap 'stop_wine' EXIT
  echo "wine prefix $WINEPREFIX"
  local status=0
  if ! start_wine; then
    echo "ci-variants: wine could not start on this machine; the Windows tests cannot run" >&2
    status=1
  else
    # The command-line tool's libraries, built for Windows from Debian's sources.
    bash scripts/win32-deps.sh build-win32-deps
    cmake -S . -B build-win32-tests "${common[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-win32.cmake \
      -DCMAKE_BUILD_TYPE=Release -DSE_MINGW_THREADS=posix -DSE_BUILD_TOOLS=ON \
      -DSE_WIN32_DEPS="$PWD/build-win32-deps" -DSE_TESTED_PLUGIN_DIR="$PWD/build-win32/plugins" >/dev/null
    cmake --build build-win32-tests -j "$jobs"
    timeout 1200 ctest --test-dir build-win32-tests "${ctest_args[@]}" --timeout 300 || status=$?
    [ "$status" -ne 124 ] || echo "ci-variants: wine stopped answering; the Windows test run was cut off" >&2
  fi
  stop_wine
  trap - EXIT
  return "$status"
}

web() {
  # The linux64 se-host the page's renderings are compared with (build/, as
  # the test command leaves it; built again if need be).
  cmake -S . -B build -DSE_WERROR=ON >/dev/null
  cmake --build build -j "$jobs" --target se-host
  # What the page's tests drive Chromium with (web/package-lock.json).
  (cd web && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  # Every float-to-integer conversion out of range traps: the tests show any
  # code that relies on what one answers.
  emcmake cmake -S . -B build-web "${common[@]}" -DSE_WEB_TRAP_CONVERSIONS=ON >/dev/null
  cmake --build build-web -j "$jobs"
  ctest --test-dir build-web "${ctest_args[@]}" --no-tests=error
}

summary=()
for v in "${variants[@]}"; do
  echo "==== ci-variants: $v"
  start=$(date +%s)
  "$v"
  summary+=("$v: $(($(date +%s) - start)) s")
  echo "==== ci-variants: $v passed in $(($(date +%s) - start)) s"
done
echo "==== ci-variants: all passed (${summary[*]})"
