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
if grep -qi 'gtest\|benchmark\|python' "$work/build/CMakeFiles/velkaro.dir/link.txt"; then
  echo "velkaro links an optional part:"; cat "$work/build/CMakeFiles/velkaro.dir/link.txt"; exit 1
fi
make -n -C "$work/build" velkaro velkaro-grid > "$work/dry-run.log" \
  || { tail -n 20 "$work/dry-run.log"; echo "no build of velkaro without the optional parts"; exit 1; }
grep -q 'src/run/main.cpp' "$work/dry-run.log" || { echo "the dry run does not build velkaro"; exit 1; }
echo "velkaro and velkaro-grid configure and would build without GoogleTest, Google Benchmark and Python"
