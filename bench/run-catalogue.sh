#!/usr/bin/env bash
# Times whole "orvane /s" processes on generated catalogues, offscreen at
# 1920 x 1080, from the start of the process to the end of its first slide
# preparation (the first "prep" line of its ORVANE_TRACE), and reports each
# process's peak memory (VmHWM):
#   first  - no settings folder yet: the catalogue is built from every set's
#            "images.ini" before the first slide;
#   warm   - the catalogue the first start built is there already.
# Catalogues of 10 to 10,000 images in sets of 50 (the growth), 5,000 images
# as one set, and 20,000 images as one set. Every image of a catalogue is a
# hard link to one demo picture, so the preparation itself costs the same in
# every case. Each case runs RUNS times (default 3); the median is shown.
# A case that shows no slide within LIMIT seconds (default 120) shows ">LIMIT".
#   bench/run-catalogue.sh [RUNS] [LIMIT]
set -euo pipefail

runs="${1:-3}"
limit="${2:-120}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build-saver-bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets -j"${ORVANE_BENCH_JOBS:-4}" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ORVANE_DESKTOP=record SDL_AUDIODRIVER=dummy
unset ORVANE_SCREEN_BPP DISPLAY
printf '{"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]}\n' >"$work/screen.json"
export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"

# The demo program folder gives the settings template, "config.ini" and the
# registry entry; its sets are replaced by the generated ones for each case.
QT_QPA_PLATFORM=offscreen "$build/tools/orvane-demo-sets" "$work/program" >/dev/null

python3 - "$build/apps/orvane" "$work" "$runs" "$limit" <<'PY'
import os, shutil, signal, statistics, subprocess, sys, time

exe, work, runs, limit = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
program = os.path.join(work, "program")
settings = os.path.join(os.environ["XDG_DATA_HOME"], "orvane")
keep = {"ScreenSaver.ini", "config.ini"}

# One picture (with its description) that every generated image links to.
picture = next(os.path.join(d, f) for d, _, files in sorted(os.walk(program))
               for f in sorted(files) if f.lower().endswith(".jpg"))
source = os.path.join(work, "picture")
shutil.copy(picture, source + ".jpg")
nfo = os.path.splitext(picture)[0] + ".nfo"
has_nfo = os.path.exists(nfo)
if has_nfo: shutil.copy(nfo, source + ".nfo")

def make_catalogue(images, per_set):
    for name in os.listdir(program):
        if name not in keep:
            path = os.path.join(program, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    done, number = 0, 0
    while done < images:
        count = min(per_set, images - done)
        name = "Bench%04d" % number
        folder = os.path.join(program, name)
        os.makedirs(folder)
        lines = ["[SetDescriptions]", name + "=" + name + "\\", "", "[" + name + "]"]
        for i in range(count):
            lines.append("image%05d=pic%05d" % (i, i))
            os.link(source + ".jpg", os.path.join(folder, "pic%05d.jpg" % i))
            if has_nfo: os.link(source + ".nfo", os.path.join(folder, "pic%05d.nfo" % i))
        with open(os.path.join(folder, "images.ini"), "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
        done += count
        number += 1

tick = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF

def peak_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"): return int(line.split()[1])
    except OSError:
        pass
    return 0

def one_run():
    trace = os.path.join(work, "trace.txt")
    open(trace, "w").close()
    env = dict(os.environ, ORVANE_TRACE=trace)
    start = tick()
    proc = subprocess.Popen([exe, "/s"], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    shown, peak = None, 0
    while time.monotonic() * 1000 - start < limit * 1000 and proc.poll() is None:
        peak = max(peak, peak_kib(proc.pid))
        with open(trace) as f:
            for line in f:
                kind, a, b = line.split()
                if kind == "prep":
                    shown = (int(b) - start) & 0xFFFFFFFF
                    break
        if shown is not None: break
        time.sleep(0.005)
    peak = max(peak, peak_kib(proc.pid))
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill(); proc.wait()
    return shown, peak

def measure(first):
    times, peaks = [], []
    for _ in range(runs):
        if first: shutil.rmtree(settings, ignore_errors=True)
        shown, peak = one_run()
        times.append(float("inf") if shown is None else shown)
        peaks.append(peak)
        if shown is None: break  # one run past the limit is enough
    median = statistics.median(times)
    text = ">%d" % limit if median == float("inf") else "%.0f" % median
    return text, max(peaks) / 1024.0

print("orvane /s to the first prepared slide, offscreen 1920x1080, median of %d runs" % runs)
print("%-22s %12s %10s %12s %10s" % ("catalogue", "first ms", "first MB", "warm ms", "warm MB"))
cases = [(10, 50), (100, 50), (1000, 50), (5000, 50), (10000, 50), (5000, 5000), (20000, 20000)]
for images, per_set in cases:
    make_catalogue(images, per_set)
    sets = (images + per_set - 1) // per_set
    first, first_mb = measure(True)
    warm, warm_mb = ("-", 0.0) if first.startswith(">") else measure(False)
    label = "%d in %d set%s" % (images, sets, "" if sets == 1 else "s")
    print("%-22s %12s %10.0f %12s %10s" % (label, first, first_mb, warm,
                                           "-" if warm == "-" else "%.0f" % warm_mb), flush=True)
PY
