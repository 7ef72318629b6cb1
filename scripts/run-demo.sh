#!/usr/bin/env bash
# The main job of `make run`.
set -euo pipefail
build=${1:-build}
echo "Voxmill is built under $build/."
