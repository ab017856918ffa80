#!/usr/bin/env bash
# Builds the libFuzzer target with clang and runs it for a bounded time from
# the seed corpus in fuzz/corpus. Any finding (a sanitizer report, a crash,
# a broken promise of the target, a leak, a timeout) fails the script and
# leaves the input that shows it in the work folder.
#   .ci/fuzz.sh [seconds]       default 75; KOLVI_FUZZ_BUILD picks the build folder
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-75}
build=${KOLVI_FUZZ_BUILD:-build-fuzz}

missing=()
for p in clang libclang-rt-14-dev; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DKOLVI_FUZZ=ON -DKOLVI_TESTS=OFF -DKOLVI_WERROR=ON
cmake --build "$build" -j2 --target kolvi_fuzz

# New inputs go to a scratch corpus; the seeds in the repository stay as
# they are. Findings are written to $work/ (crash-*, leak-*, timeout-*).
work=$(mktemp -d "${TMPDIR:-/tmp}/kolvi-fuzz-XXXXXX")
mkdir -p "$work/corpus"
set +e
"$build/kolvi_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" fuzz/corpus >"$work/log" 2>&1
status=$?
set -e
grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$work/log" || true
if [ $status -ne 0 ] || ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* >/dev/null 2>&1; then
  tail -n 60 "$work/log"
  echo "fuzz: finding, see $work" >&2
  exit 1
fi
rm -rf "$work"
echo "fuzz: no finding in ${seconds} s"
