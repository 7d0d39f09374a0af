#!/usr/bin/env bash
# How soon input ends the show while a large picture is prepared (goal: under
# 200 ms): a 12000 x 8000 JPEG, shown at its own size (the whole picture is
# decoded) and fitted to a 1920 x 1080 screen, with a key sent at several
# points of the preparation. Whole process, with its peak memory.
#   bench/run-input.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake --build "$build" --target orvane-saver-input -j4 >/dev/null
# The picture: ImageMagick's gradient, a peer tool, not a project dependency.
convert -limit memory 2GiB -limit disk 4GiB -size 12000x8000 gradient:red-blue -quality 90 "$work/big.jpg"
for mode in own fit; do
  echo "== $mode"
  /usr/bin/time -f 'peak_kb %M' "$build/bench/orvane-saver-input" "$work/big.jpg" 1920 1080 "$mode"
done
