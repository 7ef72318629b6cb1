#!/usr/bin/env bash
# The voxmill-mpi bench case: 256^3 voxels from 360 Shepp-Logan projections
# of 256 x 256 with Karvex, on 1 rank x 2 threads and on 2 ranks x 1 thread,
# against voxmill-cli on 2 threads. Per rank: wall time and peak resident
# set (GNU time). The projections are made once, linked, by voxmill-mpi
# project on 2 ranks (timed too). Uses a registry of its own.
#
# Usage: bench/mpi/bench_mpi.sh [BUILD_DIR] [SIZE] [PROJECTIONS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
size=${2:-256}
count=${3:-360}
cli="$build/bin/voxmill-cli"
mpi="$build/bin/voxmill-mpi"
if [ ! -x "$mpi" ]; then
  echo "== voxmill-mpi: not built (no MPI)"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VOXMILL_REGISTRY="$work/registry.ini"
"$cli" plugins register "$build/lib/libkarvex.so" >/dev/null
cd "$work"
# Unbound: by default Open MPI ties a rank to one core, and its threads with it.
mpirun=(mpirun --allow-run-as-root --oversubscribe --mca plm isolated --bind-to none)
# Each rank's figures on one line: rank, wall seconds, peak resident KiB.
timed='exec /usr/bin/time -f "rank $OMPI_COMM_WORLD_RANK: %e s wall, peak %M KiB" "$0" "$@"'

echo "== voxmill-mpi bench: ${size}^3 voxels from $count projections of ${size} x ${size}, Karvex"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$cli" phantom shepp-logan head.pha >/dev/null
echo "-- project, 2 ranks x 1 thread"
VOXMILL_THREADS=1 "${mpirun[@]}" -np 2 sh -c "$timed" "$mpi" project head.pha head.prs --pixels "$size" "$size" \
  --steps "$count" --threads 1 2>&1 >/dev/null | grep '^rank'
echo "-- voxmill-cli reconstruct, 2 threads"
VOXMILL_THREADS=2 /usr/bin/time -f "cli: %e s wall, peak %M KiB" "$cli" reconstruct head.prs cli.vol --renderer Karvex \
  --voxels "$size" "$size" "$size" 2>&1 >/dev/null | grep '^cli'
for layout in "1 2" "2 1"; do
  read -r ranks threads <<<"$layout"
  echo "-- voxmill-mpi reconstruct, $ranks rank(s) x $threads thread(s)"
  VOXMILL_THREADS=$threads "${mpirun[@]}" -x VOXMILL_THREADS -np "$ranks" sh -c "$timed" "$mpi" reconstruct head.prs \
    "mpi$ranks.vol" --renderer Karvex --voxels "$size" "$size" "$size" 2>&1 >/dev/null | grep '^rank'
  cmp -s cli.vol "mpi$ranks.vol" && echo "   same bytes as voxmill-cli" || echo "   DIFFERS from voxmill-cli"
done
