#!/usr/bin/env bash
# Times fitting a 6000 x 4000 JPEG to 1920 x 1080 with our imaging library
# against vipsthumbnail and ImageMagick on the same file, in the same run.
#   bench/run-imaging.sh [RUNS]        (default 10 runs per tool)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tools.
set -euo pipefail

runs="${1:-10}"
source "$(dirname "$0")/lib.sh"
bench_begin build-bench

# Setup: the peer tools (and hyperfine where Debian has it), not project dependencies.
bench_install libvips-tools imagemagick
bench_install hyperfine 2>/dev/null || true

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-imaging-fit -j"$(nproc)" >/dev/null
fit="$build/bench/orvane-imaging-fit"

photo="$work/photo.jpg"
"$fit" make "$photo" 6000 4000
echo "test picture: 6000x4000, $(( $(stat -c %s "$photo") / 1024 )) KiB"

convert_cmd=convert
command -v magick >/dev/null && convert_cmd="magick"
declare -A cmds=(
  [orvane]="$fit fit $photo $work/orvane.jpg 1920 1080"
  [vipsthumbnail]="vipsthumbnail $photo --size 1920x1080 -o $work/vips.jpg[Q=90]"
  [imagemagick]="$convert_cmd $photo -resize 1920x1080 -quality 90 $work/magick.jpg"
)
order=(orvane vipsthumbnail imagemagick)
for name in "${order[@]}"; do
  command -v "${cmds[$name]%% *}" >/dev/null || { echo "missing: ${cmds[$name]%% *}"; exit 1; }
done

declare -A mean
if command -v hyperfine >/dev/null; then
  hyperfine --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    -n orvane "${cmds[orvane]}" -n vipsthumbnail "${cmds[vipsthumbnail]}" \
    -n imagemagick "${cmds[imagemagick]}"
  while read -r name seconds; do mean[$name]="$seconds"; done < <(python3 -c '
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    print(r["command"], r["mean"])' "$work/times.json")
else
  # No hyperfine: a warm-up run, then the mean wall time of the runs.
  for name in "${order[@]}"; do
    ${cmds[$name]}
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do ${cmds[$name]}; done
    end=$(date +%s%N)
    mean[$name]=$(python3 -c "print(($end - $start) / 1e9 / $runs)")
  done
fi

echo
echo "output sizes: orvane $(identify -format '%wx%h' "$work/orvane.jpg"), vipsthumbnail $(identify -format '%wx%h' "$work/vips.jpg"), imagemagick $(identify -format '%wx%h' "$work/magick.jpg")"
printf '%-14s %10s %12s\n' tool "mean (ms)" "vs orvane"
for name in "${order[@]}"; do
  python3 -c "print('%-14s %10.1f %11.2fx' % ('$name', ${mean[$name]} * 1000, ${mean[$name]} / ${mean[orvane]}))"
done
