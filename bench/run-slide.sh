#!/usr/bin/env bash
# Times a whole slide, process against process: the show's own preparation of
# one fitted slide of a 1920 x 1080 screen (orvane-saver-prep: start, settings, play list,
# decode, fit, layer, save and load of the slide, exit) beside vipsthumbnail,
# ImageMagick and djpeg -bmp on the same files, in one run:
#   - a generated 6000 x 4000 JPEG (a camera-sized photograph);
#   - the photographs of Debian's mate-backgrounds package (its nature set,
#     1280 x 1024 to 2560 x 1920), one process per photograph.
# The tools take turns within each round, so a change of the machine's load
# falls on all of them alike. Figures: the median over the rounds of the wall
# time of one process per picture, and the largest peak memory (ru_maxrss) of
# any of its processes. The load average is shown before and after.
#   bench/run-slide.sh [ROUNDS]      (default 7)
# ORVANE_BENCH_SIZE sets the screen (default 1920x1080; 3840x2160 for a 4K one).
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tools and photographs,
# and ORVANE_BENCH_COMPARE to other builds' orvane-saver-prep (older commits',
# say), blank-separated NAME=PATH, to time them in the same rounds as "orvane
# NAME".
set -euo pipefail

rounds="${1:-7}"
size="${ORVANE_BENCH_SIZE:-1920x1080}"
source "$(dirname "$0")/lib.sh"
bench_begin build-saver-bench

# Setup: the peer tools and the photographs, not project dependencies.
bench_install libjpeg-turbo-progs libvips-tools imagemagick mate-backgrounds
photos=(/usr/share/backgrounds/mate/nature/*.jpg)
[ -e "${photos[0]}" ] || { echo "missing: the photographs of mate-backgrounds"; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-saver-prep orvane-imaging-fit -j4 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
prep="$build/bench/orvane-saver-prep"
camera="$work/camera.jpg"
"$build/bench/orvane-imaging-fit" make "$camera" 6000 4000

magick=convert
if command -v magick >/dev/null; then magick=magick
elif command -v convert-im6.q16 >/dev/null; then magick=convert-im6.q16; fi

echo "machine: $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "screen: $size"
echo "camera: 6000x4000 generated, $(( $(stat -c %s "$camera") / 1024 )) KiB; decoded 24-bit $(( 6000 * 4000 * 3 / 1048576 )) MiB"
echo "photographs: ${#photos[@]} of mate-backgrounds (nature), $(du -ch "${photos[@]}" | tail -1 | cut -f1)"
echo

python3 - "$rounds" "$work" "$prep" "${ORVANE_BENCH_COMPARE:-}" "$magick" "$size" "$camera" "${photos[@]}" <<'PY'
import os, subprocess, sys, time
rounds, work, prep, compare, magick, size, camera = int(sys.argv[1]), *sys.argv[2:8]
photos = sys.argv[8:]
width, height = size.split("x")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
tools = {
    "orvane slide": lambda f: [prep, f, width, height, "fit", "1"],
    "vipsthumbnail": lambda f: ["vipsthumbnail", f, "--size", size, "-o", work + "/vips.ppm"],
    "ImageMagick": lambda f: [magick, f, "-resize", size, work + "/magick.bmp"],
    "djpeg -bmp": lambda f: ["djpeg", "-bmp", "-outfile", work + "/djpeg.bmp", f],
}
for entry in compare.split():
    label, path = entry.split("=", 1)
    tools["orvane " + label] = lambda f, path=path: [path, f, width, height, "fit", "1"]

def run(cmd):
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = (time.monotonic() - start) * 1000
    if status != 0: sys.exit("failed: " + " ".join(cmd))
    return elapsed, usage.ru_maxrss / 1024

for name, files in (("6000x4000 camera JPEG", [camera]),
                    ("mate-backgrounds photographs, per photograph", photos)):
    times = {t: [] for t in tools}
    peak = {t: 0.0 for t in tools}
    for f in files:  # warm the page cache and the tools' libraries
        for t, cmd in tools.items(): run(cmd(f))
    for _ in range(rounds):
        for t, cmd in tools.items():
            total = 0.0
            for f in files:
                ms, mib = run(cmd(f))
                total += ms
                peak[t] = max(peak[t], mib)
            times[t].append(total / len(files))
    median = {t: sorted(v)[len(v) // 2] for t, v in times.items()}
    print(name)
    print("  %-16s %10s %9s %10s %10s" % ("tool", "median ms", "peak MiB", "vs vips", "vs djpeg"))
    for t in tools:
        print("  %-16s %10.1f %9.0f %9.2fx %9.2fx" % (t, median[t], peak[t], median[t] / median["vipsthumbnail"],
                                                 median[t] / median["djpeg -bmp"]))
    print()
PY
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
