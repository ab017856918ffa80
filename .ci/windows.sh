#!/usr/bin/env bash
# The Windows build: both programs cross-built with MinGW-w64 (warnings as
# errors, statically linked), then the end-to-end tests of the native build
# run against the .exe programs under Wine.
#   bash .ci/windows.sh [native-build-folder] [windows-build-folder]
# The native folder must hold a built kolvi_e2e_tests (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "${1:-build}")
win=$(realpath -m "${2:-build-win}")

stamp() { date +%s; }
t0=$(stamp)

packages=(mingw-w64 wine64)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
t1=$(stamp)
echo "windows: packages ready in $((t1 - t0)) s"

cmake -S . -B "$win" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKOLVI_TESTS=OFF -DKOLVI_WERROR=ON >/dev/null
cmake --build "$win" -j2
t2=$(stamp)
echo "windows: cross-built $win/kolvi.exe and $win/kolvi-0.0.1.exe in $((t2 - t1)) s"

# A prefix of our own, made once per build folder; its first start is the
# slow part. The server and Wine's own services stay up for the whole test
# run, so each program start is quick and no service started by a test
# holds that test's output pipes open; all of them are stopped at the end.
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEPREFIX="$win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
"$server" --kill >/dev/null 2>&1 || true  # one left by an earlier run
"$server" --persistent
trap '"$server" --kill >/dev/null 2>&1 || true' EXIT
trap 'exit 1' INT TERM HUP
"$wine" wineboot --init >/dev/null 2>&1 </dev/null
t3=$(stamp)
echo "windows: Wine prefix $WINEPREFIX started in $((t3 - t2)) s"

export KOLVI_PROGRAM="$win/kolvi.exe" KOLVI001_PROGRAM="$win/kolvi-0.0.1.exe" \
  KOLVI_TEST_RUNNER="$wine" KOLVI_TEST_WINDOWS=1
log="$win/e2e-wine.log"
if ! "$native/kolvi_e2e_tests" --gtest_brief=1 2>&1 | tee "$log"; then
  # Under load, a save copy of kolvi-0.0.1 through Wine's cmd.exe now and
  # then fails where it succeeds on the next try (seen in tests that pass
  # every other time). Run the tests that failed once more, alone: a test
  # that fails again is a real failure.
  failed=$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_]*\.[A-Za-z0-9_]*\).*/\1/p' "$log" | sort -u | paste -sd: -)
  [ -n "$failed" ] || exit 1
  echo "windows: running again what failed under Wine: $failed"
  "$native/kolvi_e2e_tests" --gtest_brief=1 --gtest_filter="$failed"
fi
t4=$(stamp)
echo "windows: end-to-end tests under Wine in $((t4 - t3)) s"
