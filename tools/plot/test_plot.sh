#!/usr/bin/env bash
# Test of velkaro-plot on result files the program has just written.
#   test_plot.sh VELKARO SOURCE_DIR WORK_DIR
# Exit 77 (skipped) when no Python 3 with numpy and matplotlib is found.
set -euo pipefail
velkaro=$1 src=$2 work=$3
plot=$src/tools/plot/velkaro-plot

py=
for cand in /usr/bin/python3 python3; do
  if command -v "$cand" >/dev/null && "$cand" -c 'import numpy, matplotlib' 2>/dev/null; then py=$cand; break; fi
done
if [ -z "$py" ]; then
  echo "velkaro-plot test skipped: no python3 with numpy and matplotlib"
  exit 77
fi

# The Jupiter example without evolution, with a structure dump at the start.
rm -rf "$work" && mkdir -p "$work/jupiter"
run=$work/jupiter
cp "$src/examples/jupiter/sivexdualband.in" "$run/"
printf "'%s/data/eos/'\n'%s/data/'\n" "$src" "$src" > "$run/path.dat"
sed -e 's/^F\( *Noevo\)/T\1/' -e 's/^-1.0\( *dtsave\)/0.5 \1/' "$src/examples/jupiter/sivex.in" > "$run/sivex.in"
grep -q '^T *Noevo' "$run/sivex.in" && grep -q '^0.5 *dtsave' "$run/sivex.in"
"$velkaro" "$run" > "$run/log.txt"

png() {  # a non-empty PNG file
  [ -s "$1" ] && [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || { echo "not a PNG: $1"; exit 1; }
}
"$py" "$plot" "$run" -o "$work/evolution.png" && png "$work/evolution.png"
"$py" "$plot" "$run" --profile -o "$work/profile.png" && png "$work/profile.png"
"$py" "$plot" "$run" --compare "$run" -o "$work/compare.png" && png "$work/compare.png"
# A file that does not match its description is refused with a message.
cut -c1-100 "$run/fort.1" > "$work/short" && cp "$work/short" "$run/fort.1"
if "$py" "$plot" "$run" -o "$work/bad.png" 2> "$work/err.txt"; then echo "a truncated fort.1 was accepted"; exit 1; fi
grep -q "expected 193 fields of 22" "$work/err.txt"
echo "velkaro-plot: ok"
