#!/usr/bin/env bash
# Times the slide show's preparation of one slide (decode, fit or strip, layer,
# save, load into the slide box) from a 6000 x 4000 JPEG, for 1920 x 1080 and
# 3840 x 2160 screens, fitted and as a panoramic strip, and on an 8-bit screen;
# beside djpeg -bmp (the plain decode) and vipsthumbnail on the same file, in
# the same run. Every case runs in a child process of its own and reports that
# child's peak memory (getrusage ru_maxrss).
#   bench/run-prep.sh [RUNS]      (default 5 preparations / tool runs per case)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tools.
set -euo pipefail

runs="${1:-5}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build-saver-bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Setup: the peer tools, not project dependencies.
if [ -z "${ORVANE_BENCH_NO_SETUP:-}" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y -q --no-install-recommends libjpeg-turbo-progs libvips-tools >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-saver-prep orvane-imaging-fit -j"$(nproc)" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
prep="$build/bench/orvane-saver-prep"
photo="$work/photo.jpg"
"$build/bench/orvane-imaging-fit" make "$photo" 6000 4000
echo "test picture: 6000x4000, $(( $(stat -c %s "$photo") / 1024 )) KiB; decoded 24-bit: $(( 6000 * 4000 * 3 / 1048576 )) MiB"
echo

# Runs one command RUNS times in a child process each; prints the median wall
# time (ms) and the largest peak memory (MiB) of the children.
measure() {
  python3 - "$runs" "$@" <<'PY'
import resource, subprocess, sys, time
runs = int(sys.argv[1]); cmd = sys.argv[2:]
times, peak = [], 0
for _ in range(runs):
    start = time.monotonic()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    times.append((time.monotonic() - start) * 1000)
    peak = max(peak, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
times.sort()
print("%.1f %.0f" % (times[len(times) // 2], peak / 1024))
PY
}

# One process per orvane case: the preparation is timed inside it (RUNS
# preparations, median), its peak memory by the parent.
orvane_case() {
  python3 - "$@" <<'PY'
import os, resource, subprocess, sys
env = dict(os.environ)
bpp = sys.argv[1]
if bpp != "-": env["ORVANE_SCREEN_BPP"] = bpp
out = subprocess.run(sys.argv[2:], check=True, capture_output=True, text=True, env=env).stdout
values = dict(line.split(" ", 1) for line in out.strip().splitlines())
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print("%s %s %.0f %s" % (values["median_ms"], values["fastest_ms"], peak / 1024, values["slide"]))
PY
}

printf '%-34s %10s %10s %10s  %s\n' case "median ms" "best ms" "peak MiB" "slide"
for screen in "1920 1080" "3840 2160"; do
  set -- $screen
  for mode in fit strip; do
    read -r med best peak slide < <(orvane_case - "$prep" "$photo" "$1" "$2" "$mode" "$runs")
    printf '%-34s %10s %10s %10s  %s\n' "orvane PrepImage ${1}x${2} $mode" "$med" "$best" "$peak" "$slide"
  done
done
read -r med best peak slide < <(orvane_case 8 "$prep" "$photo" 1920 1080 fit "$runs")
printf '%-34s %10s %10s %10s  %s\n' "orvane PrepImage 1920x1080 8-bit" "$med" "$best" "$peak" "$slide"

read -r med peak < <(measure djpeg -bmp -outfile "$work/djpeg.bmp" "$photo")
printf '%-34s %10s %10s %10s\n' "djpeg -bmp (full decode)" "$med" "-" "$peak"
djpeg_ms="$med"
read -r med peak < <(measure vipsthumbnail "$photo" --size 1920x1080 -o "$work/vips.bmp")
printf '%-34s %10s %10s %10s\n' "vipsthumbnail 1920x1080" "$med" "-" "$peak"
echo
echo "djpeg and vipsthumbnail are whole processes; the PrepImage figures exclude the program's start."
echo "djpeg floor: $djpeg_ms ms"
