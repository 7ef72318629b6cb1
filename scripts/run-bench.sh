#!/usr/bin/env bash
# `make bench`: runs every benchmark program that was built.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ "$found" = 1 ] || echo "no benchmarks built under $build/bin"
# reconstruct() from Python against the CLI's compute time, when the module is built.
if compgen -G "$build/python/voxmill*.so" >/dev/null; then
  echo "== python reconstruct_timing"
  /usr/bin/python3 bench/python/reconstruct_timing.py --build "$build"
fi
