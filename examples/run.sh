#!/usr/bin/env bash
# Runs kolvi over a scratch copy of the example firmware tree (the tree in
# the repository is never rewritten) and shows what changed.
#   examples/run.sh [path/to/kolvi]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
kolvi=$(realpath "${1:-$here/../build/kolvi}")
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kolvi-example-XXXXXX")
cp -R "$here/firmware/." "$scratch/"
cd "$scratch"
sources=(src/kernel/sched.c src/drivers/uart.c src/drivers/ata.c src/legacy/boot.c)
echo "\$ kolvi -v -lvl 0..3 -cat knl,uart,ata,nil -f ${sources[*]}"
status=0
"$kolvi" -v -lvl 0..3 -cat knl,uart,ata,nil -f "${sources[@]}" || status=$?
echo
for s in "${sources[@]}"; do
  diff -u --label "$s (before)" --label "$s (after)" "$s.sav" "$s" || true
done
echo
echo "trace.tp:"
cat trace.tp
echo
echo "(scratch copy left in $scratch)"
exit $status
