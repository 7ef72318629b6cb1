#!/usr/bin/env bash
# `make bench`: runs every benchmark program that was built, then times
# whole `voxmill-cli reconstruct` runs (reading the in-place collection,
# reconstructing, writing the volume) on the renderers' bench case: 360
# Shepp-Logan projections of 256 x 256 into 256^3 voxels.
set -euo pipefail
build=${1:-build}
found=0
for b in "$build"/bin/bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b") (load: $(cut -d' ' -f1-3 /proc/loadavg))"
  "$b"
done
[ "$found" = 1 ] || echo "no benchmarks built under $build/bin"
# reconstruct() from Python against the CLI's compute time, when the module is built.
if compgen -G "$build/python/voxmill*.so" >/dev/null; then
  echo "== python reconstruct_timing"
  /usr/bin/python3 bench/python/reconstruct_timing.py --build "$build"
fi

# The MPI bench case (ranks against threads), when voxmill-mpi is built.
bash bench/mpi/bench_mpi.sh "$build"

cli="$build/bin/voxmill-cli"
[ -x "$cli" ] || exit 0
plugins=$("$cli" plugins list)
if [[ "$plugins" != *Karvex* || "$plugins" != *Tessor* ]]; then
  echo "== voxmill-cli reconstruct: Tessor and Karvex must both be registered"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "== voxmill-cli reconstruct, 360 projections of 256 x 256 in place into 256^3 voxels"
"$cli" phantom shepp-logan "$work/head.pha" >/dev/null
"$cli" project "$work/head.pha" "$work/head.prs" --pixels 256 256 --steps 360 --in-place >/dev/null 2>&1
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
TIMEFORMAT="%R s wall (%U s user, %S s system)"
for run in "Karvex" "Karvex --option IsFixedPoint=0" "Tessor --option IsProcessCollection=1" "Tessor"; do
  printf '%-44s' "$run:"
  # shellcheck disable=SC2086
  time "$cli" reconstruct "$work/head.prs" "$work/head.vol" --renderer $run --voxels 256 256 256 --force >/dev/null 2>&1
done
