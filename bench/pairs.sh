# Sourced by the benches: runs two commands in turn, pair after pair, and
# prints their medians. Wall time by hyperfine, peak memory and the exit
# status by GNU time, both from Debian (./setup installs them).
#
#   compare LABEL OK -- A... -- B...
#
# runs one pair not counted, then $runs pairs, A then B. OK names the exit
# statuses A may end with ("0" or "0 1"); B must end with 0, unless
# $b_ok says otherwise. Any other status fails the bench. It prints one line:
#
#   LABEL  wall A s vs B s  ratio R (LOW-HIGH)  peak A MiB vs B MiB  ratio P
#
# where R is the median of the pair-by-pair wall ratios A/B and LOW-HIGH
# their spread, and sets wall_a, wall_b, peak_a, peak_b, ratio, ratio_low
# ratio_high and peak_ratio to the figures printed, and diff and diff_high to the
# median and the largest of A's wall less B's.

for tool in hyperfine /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: needs $tool (./setup installs it)" >&2; exit 2; }
done
runs=${runs:-5}
b_ok=${b_ok:-0}

# One run: "wall-seconds peak-KiB status".
measure() {
  local json times
  json=$(mktemp) times=$(mktemp)
  if ! hyperfine --shell=bash -i --runs 1 --style none --export-json "$json" \
      "$(printf '%q ' /usr/bin/time -o "$times" -f '%M %x' "$@")" >/dev/null 2>&1; then
    echo "bench: hyperfine could not run $*" >&2
    exit 1
  fi
  local wall signal
  wall=$(grep -o '"mean": *[0-9.e+-]*' "$json" | head -n 1 | sed 's/.*: *//')
  # GNU time gives a run ended by a signal the status 0: 128 + the signal instead.
  signal=$(sed -n 's/^Command terminated by signal \([0-9]*\).*/\1/p' "$times")
  echo "$wall $(tail -n 1 "$times" | awk -v s="$signal" '{ print $1, (s == "" ? $2 : 128 + s) }')"
  rm -f "$json" "$times"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A run whose status is not among OK fails the bench.
check_status() {  # STATUS OK WHAT...
  local status=$1 ok=$2
  shift 2
  for s in $ok; do [ "$status" = "$s" ] && return 0; done
  echo "bench: exit status $status of: $*" >&2
  exit 1
}

compare() {
  local label=$1 ok=$2 a=() b=() side=
  shift 2
  for word in "$@"; do
    if [ "$word" = "--" ]; then
      if [ -z "$side" ]; then side=a; else side=b; fi
      continue
    fi
    if [ "$side" = a ]; then a+=("$word"); else b+=("$word"); fi
  done
  local rows="" i row
  for ((i = 0; i <= runs; i++)); do
    local ra rb
    ra=$(measure "${a[@]}") && rb=$(measure "${b[@]}") || exit 1
    check_status "$(cut -d' ' -f3 <<<"$ra")" "$ok" "${a[@]}"
    check_status "$(cut -d' ' -f3 <<<"$rb")" "$b_ok" "${b[@]}"
    [ "$i" -gt 0 ] && rows+="$ra $rb"$'\n'
  done
  rows=${rows%$'\n'}
  wall_a=$(awk '{ print $1 }' <<<"$rows" | median)
  wall_b=$(awk '{ print $4 }' <<<"$rows" | median)
  peak_a=$(awk '{ print $2 / 1024 }' <<<"$rows" | median)
  peak_b=$(awk '{ print $5 / 1024 }' <<<"$rows" | median)
  local ratios
  ratios=$(awk '{ print ($4 > 0 ? $1 / $4 : 0) }' <<<"$rows")
  ratio=$(median <<<"$ratios")
  ratio_low=$(sort -g <<<"$ratios" | head -n 1)
  ratio_high=$(sort -g <<<"$ratios" | tail -n 1)
  # A's wall less B's: the median and the largest of the pairs.
  local diffs
  diffs=$(awk '{ print $1 - $4 }' <<<"$rows")
  diff=$(median <<<"$diffs")
  diff_high=$(sort -g <<<"$diffs" | tail -n 1)
  peak_ratio=$(awk -v a="$peak_a" -v b="$peak_b" 'BEGIN { print (b > 0 ? a / b : 0) }')
  printf '%-26s wall %7.3f s vs %7.3f s  ratio %.2f (%.2f-%.2f)  peak %6.1f MiB vs %6.1f MiB  ratio %.2f\n' \
    "$label" "$wall_a" "$wall_b" "$ratio" "$ratio_low" "$ratio_high" "$peak_a" "$peak_b" "$peak_ratio"
}

# bound LABEL VALUE MOST: whether VALUE (the worst pair's, for a ratio)
# stays within MOST.
bound() {
  awk -v l="$1" -v v="$2" -v m="$3" 'BEGIN { printf "bound %-44s %s (%.3f, at most %s)\n", l, (v <= m ? "met" : "NOT met"), v, m }'
}

header() {
  echo "$(nproc) cores; load $(cut -d' ' -f1-3 /proc/loadavg); $runs pairs a row, after one not counted; medians," \
       "ratios A/B pair by pair (their spread in brackets)"
}
