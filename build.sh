#!/usr/bin/env bash
# Vexillor's one entry point.
#   ./build.sh run     build the Windows program if needed and start it under Wine on a demo
#                      game installation (scripted under Xvfb when there is no display)
#   ./build.sh test    build everything and run every suite: native under ASan/UBSan, Windows
#                      under Wine (GUI tests inside Xvfb), bounded fuzz runs
#   ./build.sh bench   release build of the benchmarks, and run them
#   ./build.sh cli     release build of the command-line tool for Linux (build/release/cli)
#   ./build.sh dist    the release artifacts in dist/: Windows zips (x64, x86) and installer,
#                      Debian package, SHA256SUMS (packaging/make-dist; the same bytes on every run)
#   ./build.sh fuzz [SECONDS]  every fuzz target for SECONDS (default 600) in parallel on the
#                      machine's cores; what they find that is new goes into fuzz/corpus/NAME
#   ./build.sh deps    install what is missing (Debian packages, as root)
# Build folders: build/native, build/windows, build/windows32, build/release, build/dist.
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
BUILD=$ROOT/build
JOBS=$(nproc 2>/dev/null || echo 2)
# The test command's fuzzing: each target replays its whole corpus, then tries FUZZ_RUNS inputs
# from a fixed seed (the same inputs on every machine), stopping early after FUZZ_SECONDS.
FUZZ_RUNS=${FUZZ_RUNS:-200000}
FUZZ_SECONDS=${FUZZ_SECONDS:-60}
FUZZ_SEED=${FUZZ_SEED:-20261207}

say() { printf '\n==> %s\n' "$*"; }

PACKAGES=(
    cmake make g++ clang libclang-rt-14-dev python3 python3-pil
    zlib1g-dev libgtest-dev googletest libbenchmark-dev libstb-dev libcli11-dev
    libyaml-dev nlohmann-json3-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    libz-mingw-w64-dev wine wine64 wine32:i386 fonts-wine
    xvfb xauth openbox xdotool x11-utils imagemagick
    nsis zip unzip pandoc dpkg-dev lintian desktop-file-utils man-db file icoutils
    bash-completion zsh fish
)

deps() {
    local missing=() sudo=
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing: ${missing[*]}"
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    # wine32 is an i386 package: apt sees those only once dpkg takes the architecture.
    if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # Waits for another apt-get (another checkout's build, say) instead of failing at once.
    local apt=(apt-get -o DPkg::Lock::Timeout=600)
    $sudo "${apt[@]}" update -qq
    DEBIAN_FRONTEND=noninteractive $sudo "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
configure_windows32() {
    cmake -S "$ROOT" -B "$BUILD/windows32" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-i686.cmake" >/dev/null
}
# Whether this machine runs the 32-bit Windows programs: Wine's i386 loader from wine32, on a
# kernel that runs 32-bit x86 programs at all (some virtual machines' kernels refuse them).
wine32_runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
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

# for_each_fuzzer FUNCTION ARGS...: runs "FUNCTION NAME ARGS..." for every fuzz target, as many
# at once as there are cores. Waits on its own jobs only (the X server is a job of this shell too).
for_each_fuzzer() {
    local dir="$BUILD/native/fuzz" f status=0 pids=()
    [ -d "$dir" ] || return 0
    reap_one() {
        local finished= rest=() p
        wait -n -p finished "${pids[@]}" || status=1
        for p in "${pids[@]}"; do [ "$p" = "$finished" ] || rest+=("$p"); done
        pids=("${rest[@]}")
    }
    for f in "$dir"/*_fuzz; do
        [ -x "$f" ] || continue
        while [ ${#pids[@]} -ge "$JOBS" ]; do reap_one; done
        "$1" "$(basename "$f" _fuzz)" "${@:2}" &
        pids+=($!)
    done
    while [ ${#pids[@]} -gt 0 ]; do reap_one; done
    return $status
}

# The release artifacts packed from the Windows programs just tested, checked as a player gets
# them, the installer run under Wine (inside the Xvfb of the GUI suites), and an independent
# second build in other folders that must give the same checksums.
release_checks() {
    local dir="$BUILD/release-check" status=0 version second
    version=$(sed -n 's/^project(vexillor VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")
    rm -rf "$dir/first" "$dir/second"
    "$ROOT/packaging/make-dist" --windows-build "$BUILD/windows" --windows32-build "$BUILD/windows32" \
        --work "$dir/work1" --out "$dir/first" >"$dir.log" 2>&1 ||
        { echo "make-dist failed:"; tail -20 "$dir.log"; return 1; }
    (cd "$dir/first" && ls -l --time-style=+ vexillor* | awk '{print $5, $6}')
    # The second build compiles while the installer check runs: Wine spends much of it waiting.
    "$ROOT/packaging/make-dist" --work "$dir/work2" --out "$dir/second" >"$dir-second.log" 2>&1 &
    second=$!
    "$ROOT/tests/release/installer_test.sh" "$dir/first/vexillor-$version-setup.exe" "$dir/install" || status=1
    if ! wait "$second"; then
        echo "second make-dist failed:"; tail -20 "$dir-second.log"; return 1
    fi
    "$ROOT/tests/release/dist_test.sh" "$dir/first" "$dir/second" || status=1
    return $status
}

# fuzz_one NAME MODE: MODE "check" replays the corpus and fuzzes from the fixed seed; MODE "grow"
# fuzzes for FUZZ_SECONDS and merges what adds coverage into fuzz/corpus/NAME.
fuzz_one() {
    local name=$1 mode=$2 f="$BUILD/native/fuzz/$1_fuzz" corpus="$ROOT/fuzz/corpus/$1"
    local work="$BUILD/fuzz-work/$1" log="$BUILD/fuzz-$1.log" crashes="$BUILD/fuzz-work/$1-"
    local common=(-rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$crashes")
    rm -rf "$work" "$crashes"*; mkdir -p "$work" "$corpus"
    cp -r "$corpus/." "$work/"
    local ok=1
    if [ "$mode" = check ]; then
        "$f" "${common[@]}" -runs=0 "$work" >"$log" 2>&1 &&
            "$f" "${common[@]}" -seed="$FUZZ_SEED" -runs="$FUZZ_RUNS" -max_total_time="$FUZZ_SECONDS" \
                "$work" >>"$log" 2>&1 || ok=0
    else
        "$f" "${common[@]}" -max_total_time="$FUZZ_SECONDS" "$work" >"$log" 2>&1 || ok=0
        [ $ok -eq 1 ] && "$f" -merge=1 "$corpus" "$work" >>"$log" 2>&1 || ok=0
    fi
    if [ $ok -eq 1 ]; then
        printf 'fuzz %-8s %9s runs, %s, corpus %s\n' "$name" \
            "$(grep -oE 'number_of_executed_units: [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+$')" \
            "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)" "$(ls "$corpus" | wc -l)"
        return 0
    fi
    echo "fuzz $name FAILED (log: $log)"
    tail -30 "$log"
    return 1
}

fuzz_runs() { for_each_fuzzer fuzz_one check; }

cmd_test() {
    local started=$SECONDS status=0
    deps
    say "configuring and building: native (clang, ASan/UBSan, fuzzers)"
    configure_native
    build native
    say "configuring and building: windows (MinGW-w64)"
    configure_windows
    build windows
    # The suites too where they cannot run: they must build for 32-bit Windows all the same.
    say "configuring and building: windows32 (MinGW-w64 i686)"
    configure_windows32
    build windows32
    say "native suites"
    run_ctest native "$BUILD/native" -j"$JOBS" || status=1
    gtest_totals native-gtest "$BUILD/native-tests.log"
    say "windows suites under Wine (GUI suites inside Xvfb)"
    start_xvfb
    run_ctest windows "$BUILD/windows" -j"$JOBS" || status=1
    gtest_totals windows-gtest "$BUILD/windows-tests.log"
    if wine32_runs; then
        say "windows32 suites under Wine, in 32-bit prefixes"
        run_ctest windows32 "$BUILD/windows32" -j"$JOBS" || status=1
        gtest_totals windows32-gtest "$BUILD/windows32-tests.log"
    else
        say "windows32 suites: not run, Wine's 32-bit loader does not start on this machine"
        /usr/lib/wine/wine --version 2>&1 | tail -1 || true
        dmesg 2>/dev/null | grep -m1 -i 'ia-32 emulation\|32-bit emulation' || true
    fi
    say "release artifacts: packed, checked, installed under Wine, built again and compared"
    local release_started=$SECONDS
    release_checks || status=1
    echo "release checks took $((SECONDS - release_started))s"
    stop_xvfb
    say "fuzzing: the corpora, then ${FUZZ_RUNS} inputs per target (seed ${FUZZ_SEED}, at most ${FUZZ_SECONDS}s)"
    local fuzzing=$SECONDS
    fuzz_runs || status=1
    echo "fuzzing took $((SECONDS - fuzzing))s"
    say "done in $((SECONDS - started))s"
    [ $status -eq 0 ] && echo "all suites passed" || echo "SOME SUITES FAILED"
    return $status
}

cmd_fuzz() {
    deps
    configure_native
    build native
    FUZZ_SECONDS=${1:-600}
    say "fuzzing every target for ${FUZZ_SECONDS}s, ${JOBS} at a time; new finds go into fuzz/corpus"
    for_each_fuzzer fuzz_one grow
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
    "$ROOT/bench/big_photo_bench.sh" "$BUILD/release/cli/vexillor-cli"
}

cmd_cli() {
    deps
    configure_release
    build release --target vexillor-cli
    echo "$BUILD/release/cli/vexillor-cli"
}

cmd_dist() {
    deps
    "$ROOT/packaging/make-dist" "$@"
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
    dist) shift; cmd_dist "$@" ;;
    fuzz) cmd_fuzz "${2:-}" ;;
    deps) deps ;;
    *) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
