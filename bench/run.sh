#!/usr/bin/env bash
# Measures kolvi against the I/O floor (bench/floor.cpp) on a generated
# firmware tree, and its peak resident memory on a small and a large source.
#
#   bench/run.sh BUILD_DIR [REFERENCE_KOLVI]
#
# BUILD_DIR holds kolvi, kolvi_floor and kolvi_peak_rss (build it as
# RelWithDebInfo or Release). REFERENCE_KOLVI, a kolvi built from an earlier
# commit, is run on the same tree and must leave the same rewritten sources,
# save copies, trace point file and output; without it the output is checked
# against a fixed checksum (for the default tree only).
#
# Environment: RUNS (timed runs of each program and pass, default 5), FILES
# and SIZE_MB (the tree, default 2000 files, 100 MB), WORK (scratch folder,
# default /tmp/kolvi-bench; generated inputs are kept there between calls),
# SKIP_MEMORY=1 to leave out the memory measurement.
#
# Each timed run gets a fresh copy of its input (the copy and a sync are not
# timed); the page cache is warm, as it is for a build script. kolvi and the
# floor alternate within every round, so that a busy machine slows both.
set -euo pipefail

build=$(realpath "${1:?usage: bench/run.sh BUILD_DIR [REFERENCE_KOLVI]}")
reference=${2:+$(realpath "$2")}
here=$(cd "$(dirname "$0")" && pwd)
runs=${RUNS:-5}
files=${FILES:-2000}
size_mb=${SIZE_MB:-100}
work=${WORK:-/tmp/kolvi-bench}
kolvi=$build/kolvi
floor=$build/kolvi_floor
peak=$build/kolvi_peak_rss
args=(-lvl 0..5 -cat knl,ata,uart,net,usb,nil)
# sha256 of the first run's output over the default tree (sources, save
# copies, trace point file and standard output; see output_sum below).
expected_sum=2390ae9b53fb04852a3a44886440aa42258216477470ed5cbaef9b0a86a76309

for p in "$kolvi" "$floor" "$peak"; do
  [[ -x $p ]] || { echo "run.sh: $p is missing; build the project first" >&2; exit 2; }
done
mkdir -p "$work"

# A generated input, made once and kept (keyed by its parameters).
generate() {  # folder, generator arguments...
  local dir=$1; shift
  if [[ ! -f $dir/.done ]]; then
    rm -rf "$dir"
    echo "generating $dir ($*)" >&2
    python3 "$here/gen_tree.py" "$dir" "$@"
    touch "$dir/.done"
  fi
}

fresh_copy() {  # from, to
  rm -rf "$2"
  cp -a "$1" "$2"
  rm -f "$2/.done"
  sync
}

now() { echo "${EPOCHREALTIME/./}"; }  # microseconds

# Runs a program over the sources of a folder; prints the seconds it took.
timed() {  # folder, program and its arguments...
  local dir=$1; shift
  local t0 t1
  mapfile -t srcs < "$dir/files.txt"
  t0=$(now)
  (cd "$dir" && "$@" "${srcs[@]}" > stdout.txt)
  t1=$(now)
  echo $(( t1 - t0 ))
}

output_sum() {  # folder: one checksum over everything the run left
  (cd "$1" && { while read -r f; do cat "$f" "$f.sav"; done < files.txt; cat trace.tp stdout.txt; } | sha256sum | cut -d' ' -f1)
}

median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m/1e6}'; }

tree=$work/tree-$files-$size_mb
generate "$tree" --files "$files" --size-mb "$size_mb"

# kolvi's own output, the input of every second run.
pass1=$work/pass1
fresh_copy "$tree" "$pass1"
timed "$pass1" "$kolvi" "${args[@]}" -f > /dev/null
sum=$(output_sum "$pass1")
if [[ -n $reference ]]; then
  ref=$work/reference
  fresh_copy "$tree" "$ref"
  timed "$ref" "$reference" "${args[@]}" -f > /dev/null
  if diff -r -q -x stdout.txt "$ref" "$pass1" > /dev/null && cmp -s "$ref/stdout.txt" "$pass1/stdout.txt"; then
    echo "output: same as the reference build's"
  else
    echo "output: DIFFERS from the reference build's" >&2
    exit 1
  fi
elif [[ $files == 2000 && $size_mb == 100 ]]; then
  if [[ $sum == "$expected_sum" ]]; then echo "output: checksum as expected"
  else echo "output: checksum $sum, expected $expected_sum" >&2; exit 1; fi
else
  echo "output: checksum $sum (no reference for this tree)"
fi

scratch=$work/scratch
declare -A times
for ((r = 1; r <= runs; ++r)); do
  for pass in first second; do
    input=$tree
    [[ $pass == second ]] && input=$pass1
    order=(kolvi floor)
    (( r % 2 == 0 )) && order=(floor kolvi)
    for prog in "${order[@]}"; do
      fresh_copy "$input" "$scratch"
      if [[ $prog == kolvi ]]; then
        t=$(timed "$scratch" "$kolvi" "${args[@]}" -f)
        cmp -s "$scratch/trace.tp" "$pass1/trace.tp" || { echo "run.sh: trace.tp differs" >&2; exit 1; }
      else
        t=$(timed "$scratch" "$floor" -f)
      fi
      times[$pass-$prog]+="$t "
    done
  done
done
# After a second run nothing may have been replaced: same inodes as the copy.
fresh_copy "$pass1" "$scratch"
before=$(cd "$scratch" && while read -r f; do stat -c '%i %Y' "$f"; done < files.txt | sha256sum)
timed "$scratch" "$kolvi" "${args[@]}" -f > /dev/null
after=$(cd "$scratch" && while read -r f; do stat -c '%i %Y' "$f"; done < files.txt | sha256sum)
[[ $before == "$after" ]] && untouched=yes || untouched=NO

bytes=$(cd "$tree" && cat $(cat files.txt) | wc -c)
echo "tree: $files files, $bytes bytes; $runs timed runs of each; median seconds"
printf '%-40s %8s %8s %7s\n' "pass" kolvi floor ratio
for pass in first second; do
  k=$(tr ' ' '\n' <<< "${times[$pass-kolvi]}" | grep . | median)
  f=$(tr ' ' '\n' <<< "${times[$pass-floor]}" | grep . | median)
  label="first run (every source changes)"
  [[ $pass == second ]] && label="second run (nothing changes)"
  printf '%-40s %8s %8s %7.2f\n' "$label" "$k" "$f" "$(awk -v k="$k" -v f="$f" 'BEGIN {print k / f}')"
done
echo "second run left every source untouched (inode, mtime): $untouched"
for pass in first second; do
  echo "  all $pass-run times, kolvi: ${times[$pass-kolvi]}µs; floor: ${times[$pass-floor]}µs"
done

if [[ ${SKIP_MEMORY:-0} != 1 ]]; then
  for mb in 1 200; do
    big=$work/single-$mb
    generate "$big" --single "$mb"
    fresh_copy "$big" "$scratch"
    kb=$(cd "$scratch" && "$peak" "$kolvi" "${args[@]}" -f big.c 2>&1 > /dev/null | sed -n 's/^peak_rss_kb //p')
    echo "peak resident memory, one source of $mb MB: $kb KiB"
  done
fi
rm -rf "$scratch"
