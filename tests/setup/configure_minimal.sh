#!/usr/bin/env bash
# The programs need only a compiler and CMake: configure without GoogleTest,
# Google Benchmark and Python (as on a machine that lacks them), check that
# configure says once for each what it leaves out, and that the build of
# velkaro and velkaro-grid needs nothing else (make's dry run of both; the
# real build on a bare machine is the first of the README's two commands).
#   configure_minimal.sh CMAKE SOURCE_DIR WORK_DIR
set -euo pipefail
cmake=$1 src=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
"$cmake" -S "$src" -B "$work/build" -G "Unix Makefiles" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DVELKARO_PYTHON=OFF > "$work/configure.log" 2>&1 \
  || { cat "$work/configure.log"; echo "configure failed without the optional parts"; exit 1; }
for what in "GoogleTest not found" "Google Benchmark not found" "Python 3 not found"; do
  n=$(grep -c "velkaro: $what" "$work/configure.log" || true)
  [ "$n" = 1 ] || { cat "$work/configure.log"; echo "expected one message '$what', found $n"; exit 1; }
done
for t in velkaro velkaro-grid; do
  if grep -qi 'gtest\|benchmark\|python' "$work/build/CMakeFiles/$t.dir/link.txt"; then
    echo "$t links an optional part:"; cat "$work/build/CMakeFiles/$t.dir/link.txt"; exit 1
  fi
done
# A dry run cannot link (the libraries it would have built are not there);
# every source must compile and nothing else may be missing.
make -n -k -C "$work/build" velkaro velkaro-grid > "$work/dry-run.log" 2>&1 || true
if grep 'No rule to make target' "$work/dry-run.log" | grep -v "target 'libvelkaro_\(core\|grid\).a'"; then
  echo "the build of velkaro or velkaro-grid misses something"; exit 1
fi
for f in src/run/main.cpp src/grid/main.cpp src/run/driver.cpp; do
  grep -q -- "-c $src/$f" "$work/dry-run.log" || { echo "the dry run does not compile $f"; exit 1; }
done
echo "velkaro and velkaro-grid configure and would build without GoogleTest, Google Benchmark and Python"
