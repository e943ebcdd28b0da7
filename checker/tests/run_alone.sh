#!/usr/bin/env bash
# ./run without arguments, twice: the fixable sample checked and fixed, the
# same two verdicts each time, exit status 0, and nothing left outside build/
# or in the temporary folder.
set -euo pipefail
root="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch/tmp"
mkdir "$TMPDIR"
touch "$scratch/before"
expected='STANDARD: PDF/X-1a:2001 (the file claims PDF/X-1a:2001)
VERDICT: This file isn'"'"'t a valid PDF/X-1a:2001 file.  There were 2 errors which can be automatically fixed by clicking the "Fix all" button.  \nClick the "Details..." button for more information
VERDICT: Congratulations!\nThis is a good PDF/X-1a:2001 file.\n
UNSAVED: the changes were not saved; give --output to keep them'
for i in 1 2; do
  status=0
  out=$("$root/run") || status=$?
  if [ "$status" -ne 0 ] || [ "$out" != "$expected" ]; then
    printf 'run %s: exit status %s, printed:\n%s\n' "$i" "$status" "$out"
    exit 1
  fi
done
left=$(find "$TMPDIR" -mindepth 1)
new=$(find "$root" \( -path "$root/build" -o -path "$root/build-*" -o -path "$root/.git" \) -prune -o \
  -newer "$scratch/before" -print)
if [ -n "$left$new" ]; then
  printf 'left behind:\n%s\n%s\n' "$left" "$new"
  exit 1
fi
