#!/usr/bin/env bash
# Times the wallpaper builder (SetWallpaper's render) stage by stage and as a
# whole process, for a 6000 x 4000 and a 1600 x 1200 JPEG fitted to 1920 x 1080
# (the smoothing pass runs for the small one), a 3000 x 600 panorama cut at 500,
# the same on a 16-bit screen and not fitted; beside vipsthumbnail and
# ImageMagick doing the same cover-and-crop resize (and blur where ours
# smooths), in the same run. Every command runs in child processes of its own
# and reports their peak memory (getrusage ru_maxrss).
#   bench/run-wallpaper.sh [RUNS]      (default 5 runs per case)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tools.
set -euo pipefail

runs="${1:-5}"
source "$(dirname "$0")/lib.sh"
bench_begin build-wallpaper-bench

# Setup: the peer tools, not project dependencies.
bench_install libvips-tools imagemagick

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-wallpaper-set orvane-imaging-fit -j"$(nproc)" >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; exit 1; }
set_wp="$build/bench/orvane-wallpaper-set"
make_picture="$build/bench/orvane-imaging-fit"
"$make_picture" make "$work/big.jpg" 6000 4000
"$make_picture" make "$work/small.jpg" 1600 1200
"$make_picture" make "$work/pano.jpg" 3000 600
convert_cmd=convert
command -v magick >/dev/null && convert_cmd=magick
export QT_QPA_PLATFORM=offscreen

# Runs one command RUNS times, each in a child process; prints the median wall
# time (ms) and the largest peak memory (MiB) of the children.
measure() {
  python3 - "$runs" "$@" <<'PY'
import os, subprocess, sys, time
runs = int(sys.argv[1]); cmd = sys.argv[2:]
times, peak = [], 0
for _ in range(runs):
    start = time.monotonic()
    child = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    times.append((time.monotonic() - start) * 1000)
    if status != 0: sys.exit("failed: " + " ".join(cmd))
    peak = max(peak, usage.ru_maxrss)
times.sort()
print("%.1f %.0f" % (times[len(times) // 2], peak / 1024))
PY
}

printf '%-30s %8s %8s %8s %8s %8s %8s %8s | %9s %9s\n' case decode stretch filter overlays save reduce total "process" "peak MiB"
declare -A process
orvane_case() {
  local name="$1"; shift
  # Stages: RUNS renders in one process (median of each); process: whole runs.
  local stages
  stages="$("$set_wp" "$@" runs "$runs" 2>/dev/null)"
  read -r med peak < <(measure "$set_wp" "$@")
  process[$name]="$med"
  python3 - "$name" "$med" "$peak" "$stages" <<'PY'
import sys
name, med, peak, text = sys.argv[1:5]
values = dict(line.split(" ", 1) for line in text.strip().splitlines())
cols = ["decode", "stretch", "filter", "overlays", "save", "reduce", "total"]
print("%-30s " % name + " ".join("%8s" % values.get(c, "-") for c in cols) + " | %9s %9s" % (med, peak))
PY
}
orvane_case "6000x4000 fitted 1920x1080" "$work/big.jpg" 1920 1080
orvane_case "1600x1200 fitted 1920x1080" "$work/small.jpg" 1920 1080
orvane_case "3000x600 panorama at 500" "$work/pano.jpg" 1920 1080 pan 500
orvane_case "3000x600 panorama, 16-bit" "$work/pano.jpg" 1920 1080 pan 500 bpp 16
orvane_case "3000x600 panorama, not fitted" "$work/pano.jpg" 1920 1080 pan 500 nofit
echo
echo "Peers (whole processes; the same cover-and-crop to 1920x1080, blurred where ours smooths):"
printf '%-52s %9s %9s\n' command "ms" "peak MiB"
peer() {
  local name="$1"; shift
  read -r med peak < <(measure "$@")
  process[$name]="$med"
  printf '%-52s %9s %9s\n' "$name" "$med" "$peak"
}
peer "vipsthumbnail 6000x4000" vipsthumbnail "$work/big.jpg" --size 1920x1080 --smartcrop centre -o "$work/vips.ppm"
peer "ImageMagick 6000x4000" $convert_cmd "$work/big.jpg" -resize '1920x1080^' -gravity center -extent 1920x1080 "$work/magick.bmp"
peer "vipsthumbnail 1600x1200" vipsthumbnail "$work/small.jpg" --size 1920x1080 --smartcrop centre -o "$work/vips.ppm"
peer "ImageMagick 1600x1200 (+blur)" $convert_cmd "$work/small.jpg" -resize '1920x1080^' -gravity center -extent 1920x1080 -blur 0x0.7 "$work/magick.bmp"
peer "ImageMagick 3000x600 panorama (+blur)" $convert_cmd "$work/pano.jpg" -crop 800x600+500+0 -resize '1920x1080!' -blur 0x0.7 "$work/magick.bmp"
echo
python3 - "${process[6000x4000 fitted 1920x1080]}" "${process[vipsthumbnail 6000x4000]}" "${process[ImageMagick 6000x4000]}" <<'PY'
import sys
ours, vips, magick = map(float, sys.argv[1:4])
print("6000x4000 fitted, whole process: %.2fx vipsthumbnail (goal <= 0.8), %.2fx ImageMagick (goal <= 0.5)" % (ours / vips, ours / magick))
print("decoded picture 6000x4000: %d MiB at 24 bits, %d MiB at 32" % (6000 * 4000 * 3 / 1048576, 6000 * 4000 * 4 / 1048576))
PY
