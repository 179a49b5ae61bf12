#!/usr/bin/env bash
# Vexillor's one entry point.
#   ./build.sh run     build the Windows program if needed and start it under Wine on a demo
#                      game installation (scripted under Xvfb when there is no display)
#   ./build.sh test    build everything and run every suite: native under ASan/UBSan, Windows
#                      under Wine (GUI tests inside Xvfb), bounded fuzz runs
#   ./build.sh bench   release build of the benchmarks, and run them
#   ./build.sh cli     release build of the command-line tool for Linux (build/release/cli)
#   ./build.sh deps    install what is missing (Debian packages, as root)
# Build folders: build/native, build/windows, build/release.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
BUILD=$ROOT/build
JOBS=$(nproc 2>/dev/null || echo 2)
FUZZ_SECONDS=${FUZZ_SECONDS:-45}

say() { printf '\n==> %s\n' "$*"; }

PACKAGES=(
    cmake make g++ clang libclang-rt-14-dev python3 python3-pil
    zlib1g-dev libgtest-dev googletest libbenchmark-dev libstb-dev libcli11-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev wine wine64 fonts-wine
    xvfb xauth openbox xdotool x11-utils imagemagick
)

deps() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

configure_native() {
    cmake -S "$ROOT" -B "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DVEX_SANITIZE=ON -DVEX_FUZZ=ON >/dev/null
}
configure_windows() {
    cmake -S "$ROOT" -B "$BUILD/windows" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
}
configure_release() {
    cmake -S "$ROOT" -B "$BUILD/release" -DCMAKE_BUILD_TYPE=Release -DVEX_BENCH=ON >/dev/null
}
build() { cmake --build "$BUILD/$1" -j"$JOBS" "${@:2}"; }

# A private X server for the GUI suites and the scripted demo; sets DISPLAY for this script.
XVFB_PID=
start_xvfb() {
    local n
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
        export DISPLAY=":$n"
        return 0
    done
    echo "no free X display number" >&2
    return 1
}
stop_xvfb() { [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; XVFB_PID=; }

# Prints the closing lines of every GoogleTest run in a ctest log, summed.
gtest_totals() {
    awk '/\[  PASSED  \] [0-9]+ test/ { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) { p += $i; break } }
         /\[  SKIPPED \] [0-9]+ test/ { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) { s += $i; break } }
         /\[  FAILED  \] [0-9]+ test/ { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+$/) { f += $i; break } }
         END { printf "%s: %d passed, %d failed, %d skipped\n", label, p, f, s }' label="$1" "$2"
}

run_ctest() {  # name build-dir extra-args...
    local name=$1 dir=$2 log="$BUILD/$1-tests.log" rc=0
    shift 2
    ctest --test-dir "$dir" -V "$@" >"$log" 2>&1 || rc=$?
    echo "$name suites:"
    grep -E '^[0-9]+% tests passed|tests failed out of' "$log" | tail -1
    if [ $rc -ne 0 ]; then
        echo "--- $name failures (full log: $log) ---"
        grep -E '\[  FAILED  \]|Failure|Error|\*\*\*Failed|\*\*\*Exception|Timeout' "$log" | head -60
    fi
    return $rc
}

fuzz_runs() {
    local dir="$BUILD/native/fuzz" status=0 f name corpus work
    [ -d "$dir" ] || return 0
    for f in "$dir"/*_fuzz; do
        [ -x "$f" ] || continue
        name=$(basename "$f" _fuzz)
        corpus="$ROOT/fuzz/corpus/$name"
        work="$BUILD/fuzz-work/$name"
        rm -rf "$work"; mkdir -p "$work"
        [ -d "$corpus" ] && cp -r "$corpus/." "$work/"
        if "$f" -seed=1 -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=10 \
                -artifact_prefix="$BUILD/fuzz-work/$name-" "$work" >"$BUILD/fuzz-$name.log" 2>&1; then
            printf 'fuzz %-8s %s\n' "$name" "$(grep -oE 'Done [0-9]+ runs in [0-9]+ second\(s\)' "$BUILD/fuzz-$name.log" | tail -1)"
        else
            echo "fuzz $name FAILED (log: $BUILD/fuzz-$name.log)"; tail -30 "$BUILD/fuzz-$name.log"; status=1
        fi
    done
    return $status
}

cmd_test() {
    local started=$SECONDS status=0
    deps
    say "configuring and building: native (clang, ASan/UBSan, fuzzers)"
    configure_native
    build native
    say "configuring and building: windows (MinGW-w64)"
    configure_windows
    build windows
    say "native suites"
    run_ctest native "$BUILD/native" -j"$JOBS" || status=1
    gtest_totals native-gtest "$BUILD/native-tests.log"
    say "windows suites under Wine (GUI suites inside Xvfb)"
    start_xvfb
    run_ctest windows "$BUILD/windows" -j"$JOBS" || status=1
    stop_xvfb
    gtest_totals windows-gtest "$BUILD/windows-tests.log"
    say "fuzzing, ${FUZZ_SECONDS}s per target"
    fuzz_runs || status=1
    say "done in $((SECONDS - started))s"
    [ $status -eq 0 ] && echo "all suites passed" || echo "SOME SUITES FAILED"
    return $status
}

cmd_bench() {
    deps
    configure_release
    build release
    local b
    for b in "$BUILD"/release/bench/*_bench; do
        [ -x "$b" ] && "$b" --benchmark_min_time=0.2
    done
    "$ROOT/bench/fit_bench.sh" "$BUILD/release/cli/vexillor-cli"
}

cmd_cli() {
    deps
    configure_release
    build release --target vexillor-cli
    echo "$BUILD/release/cli/vexillor-cli"
}

cmd_run() {
    deps
    configure_windows
    build windows --target vexillor
    local prefix="$BUILD/demo-prefix"
    "$ROOT/tools/run-demo" "$BUILD/windows/app/vexillor.exe" "$prefix"
}

case "${1:-}" in
    test) cmd_test ;;
    run) cmd_run ;;
    bench) cmd_bench ;;
    cli) cmd_cli ;;
    deps) deps ;;
    *) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
