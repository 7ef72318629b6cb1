#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, from the
# checked-in seeds plus what earlier runs found (kept in the build tree),
# and prints one summary line per target.
# Usage: run-fuzz.sh FUZZ_BUILD SECONDS
set -euo pipefail
build=$1 seconds=$2
src="$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz"
bin="$build/bin"
status=0
for fuzzer in "$bin"/fuzz_*; do
  kind=${fuzzer##*/fuzz_}
  corpus="$build/tests/fuzz/corpus/$kind"
  artifacts="$build/tests/fuzz/findings/$kind/"
  mkdir -p "$corpus" "$artifacts"
  log="$build/tests/fuzz/fuzz-$kind.log"
  if "$fuzzer" -rss_limit_mb=2048 -malloc_limit_mb=1024 -max_len=65536 -timeout=20 \
      -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts" \
      "$corpus" "$src/seeds/$kind" >"$log" 2>&1; then
    result="no findings"
  else
    result="FINDING (see $log and $artifacts)"
    status=1
  fi
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo '?')
  echo "fuzz_$kind: $execs executions, coverage $cov edges, $result"
done
exit $status
