#!/usr/bin/env bash
# Times whole "orvane /s" processes from their start to the end of their first
# slide preparation (the first "prep" line of ORVANE_TRACE), offscreen on a
# 1920 x 1080 and on a 3840 x 2160 screen (device pixels, ratio 1), and reports
# each process's peak memory (VmHWM at that moment). vipsthumbnail fits the
# same picture to the same size in the same rounds, as a whole process beside.
# Pictures: a photograph of Debian's mate-backgrounds package (2560 x 1600, a
# 1-5 megapixel one, upscaled and filtered on the large screen) and a generated
# 6000 x 4000 camera-sized JPEG. The catalogue is one set of that one picture;
# its settings folder is built by a first run that is not counted. The tools
# take turns within each round; the median of the rounds is shown.
#   bench/run-screen.sh [ROUNDS]      (default 5)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tool and photographs,
# and ORVANE_BENCH_COMPARE to other builds' orvane programs (older commits',
# say), blank-separated NAME=PATH, to time them in the same rounds.
set -euo pipefail

rounds="${1:-5}"
source "$(dirname "$0")/lib.sh"
bench_begin build-saver-bench

bench_install libvips-tools mate-backgrounds
photo=/usr/share/backgrounds/mate/nature/YellowFlower.jpg
[ -e "$photo" ] || { echo "missing: the photographs of mate-backgrounds"; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets orvane-imaging-fit -j"${ORVANE_BENCH_JOBS:-4}" \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
camera="$work/camera.jpg"
"$build/bench/orvane-imaging-fit" make "$camera" 6000 4000

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ORVANE_DESKTOP=record SDL_AUDIODRIVER=dummy
unset ORVANE_SCREEN_BPP DISPLAY
for size in 1920x1080 3840x2160; do
  printf '{"screens":[{"name":"bench","x":0,"y":0,"width":%d,"height":%d,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]}\n' \
    "${size%x*}" "${size#*x}" >"$work/screen-$size.json"
done
# The demo program folder gives the settings template, "config.ini" and the
# registry entry; its sets are replaced by the one-picture set.
QT_QPA_PLATFORM=offscreen "$build/tools/orvane-demo-sets" "$work/program" >/dev/null

echo "machine: $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$build/apps/orvane" "$work" "$rounds" "${ORVANE_BENCH_COMPARE:-}" "$photo" "$camera" <<'PY'
import os, shutil, signal, subprocess, sys, time

exe, work, rounds, compare, photo, camera = sys.argv[1], sys.argv[2], int(sys.argv[3]), *sys.argv[4:7]
program = os.path.join(work, "program")
keep = {"ScreenSaver.ini", "config.ini"}
sizes = ["1920x1080", "3840x2160"]
orvanes = {"orvane": exe}
for entry in compare.split():
    label, path = entry.split("=", 1)
    orvanes["orvane " + label] = path

def use_picture(picture):
    for name in os.listdir(program):
        if name not in keep:
            path = os.path.join(program, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    folder = os.path.join(program, "Bench")
    os.makedirs(folder)
    shutil.copy(picture, os.path.join(folder, "pic.jpg"))
    with open(os.path.join(folder, "images.ini"), "w", newline="") as f:
        f.write("[SetDescriptions]\r\nBench=Bench\\\r\n\r\n[Bench]\r\nimage=pic\r\n")
    shutil.rmtree(os.path.join(os.environ["XDG_DATA_HOME"], "orvane"), ignore_errors=True)

tick = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF

def peak_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"): return int(line.split()[1])
    except OSError:
        pass
    return 0

def run_orvane(path, size):
    trace = os.path.join(work, "trace.txt")
    open(trace, "w").close()
    env = dict(os.environ, ORVANE_TRACE=trace,
               QT_QPA_PLATFORM="offscreen:configfile=%s/screen-%s.json" % (work, size))
    start = tick()
    proc = subprocess.Popen([path, "/s"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown, peak = None, 0
    while time.monotonic() * 1000 - start < 60000 and proc.poll() is None:
        with open(trace) as f:
            for line in f:
                kind, a, b = line.split()
                if kind == "prep":
                    shown = (int(b) - start) & 0xFFFFFFFF
                    break
        if shown is not None: break
        time.sleep(0.002)
    peak = peak_kib(proc.pid)
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill(); proc.wait()
    if shown is None: sys.exit("no slide within 60 s: " + path)
    return shown, peak / 1024.0

def run_vips(picture, size):
    start = time.monotonic()
    proc = subprocess.Popen(["vipsthumbnail", picture, "--size", size, "-o", work + "/vips.ppm"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    if status != 0: sys.exit("vipsthumbnail failed")
    return (time.monotonic() - start) * 1000, usage.ru_maxrss / 1024.0

for label, picture in (("photograph 2560x1600", photo), ("camera 6000x4000", camera)):
    use_picture(picture)
    tools = {}
    for name, path in orvanes.items():
        for size in sizes:
            tools[(name, size)] = lambda path=path, size=size: run_orvane(path, size)
    for size in sizes:
        tools[("vipsthumbnail", size)] = lambda size=size: run_vips(picture, size)
    for run in tools.values(): run()  # builds the settings folder, warms the caches
    times = {t: [] for t in tools}
    peak = {t: 0.0 for t in tools}
    for _ in range(rounds):
        for t, run in tools.items():
            ms, mib = run()
            times[t].append(ms)
            peak[t] = max(peak[t], mib)
    median = {t: sorted(v)[len(v) // 2] for t, v in times.items()}
    print()
    print(label + ": process start to the first prepared slide (vipsthumbnail: whole process)")
    print("  %-16s %9s %9s %9s %9s %9s %9s %9s" % ("tool", "1080p ms", "1080p MiB", "2160p ms",
                                                    "2160p MiB", "2160/1080", "vips 1080", "vips 2160"))
    names = list(orvanes) + ["vipsthumbnail"]
    for name in names:
        small, large = median[(name, sizes[0])], median[(name, sizes[1])]
        print("  %-16s %9.0f %9.0f %9.0f %9.0f %8.2fx %8.2fx %8.2fx" % (
            name, small, peak[(name, sizes[0])], large, peak[(name, sizes[1])], large / small,
            small / median[("vipsthumbnail", sizes[0])], large / median[("vipsthumbnail", sizes[1])]))
PY
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
