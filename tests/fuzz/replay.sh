#!/usr/bin/env bash
# Replays the checked-in regression inputs of one reader: every file in
# REGRESSIONS named KIND-*, gzip-compressed ones (*.gz) unpacked first, so
# that inputs of many megabytes stay small in the repository.
# Usage: replay.sh FUZZER KIND REGRESSIONS WORKDIR [FUZZER FLAGS...]
set -euo pipefail
fuzzer=$1 kind=$2 regressions=$3 work=$4
shift 4
rm -rf "$work"
mkdir -p "$work"
inputs=()
for f in "$regressions/$kind"-*; do
  [ -e "$f" ] || continue
  case "$f" in
    *.gz) out="$work/$(basename "${f%.gz}")"; gzip -dc "$f" > "$out"; inputs+=("$out") ;;
    *) inputs+=("$f") ;;
  esac
done
if [ ${#inputs[@]} -eq 0 ]; then
  echo "no regression inputs for $kind"
  exit 0
fi
# Each file is run once; any crash, leak or limit exceeded fails the test.
"$fuzzer" "$@" -max_len=0 "${inputs[@]}"
