#!/usr/bin/env bash
# Runs "orvane /s" under Xvfb at 1920 x 1080 and 3840 x 2160, once for each
# transition kind, on the photographs of Debian's mate-backgrounds (one set of
# them, a slide every 3 s), and feh ("feh -D 3 -F -Z") on the same photographs
# beside it. Each orvane run lasts until the show has finished TRANSITIONS
# transitions (default 2; at most 90 s); each feh run lasts as long as the
# longest orvane run of that size. Reported per run, from the program's own
# trace (ORVANE_TRACE) and /proc:
#   - CPU % of a core (the scheduler's run time of all threads) during the
#     transitions and over the whole run, and the
#     X server's CPU % over the run (it copies every area the show repaints);
#   - the steps of a transition and its length in seconds;
#   - the longest gap between two transition steps, in the first transition
#     and in all of them;
#   - resident memory: at 5 s, at the end, mean and maximum (MiB).
#   bench/run-show.sh [TRANSITIONS]
# ORVANE_BENCH_KINDS picks the kinds (default "0 2 3 4 5 6 7 8 9 10"),
# ORVANE_BENCH_SIZES the screens (default "1920x1080 3840x2160"),
# ORVANE_BENCH_COMPARE other builds' orvane programs (older commits', say),
# blank-separated NAME=PATH, run in the same rounds beside this one, and
# ORVANE_BENCH_NO_SETUP=1 skips installing feh and the photographs.
set -euo pipefail

transitions="${1:-2}"
source "$(dirname "$0")/lib.sh"
bench_begin build-saver-bench

bench_install feh mate-backgrounds xvfb
photos=/usr/share/backgrounds/mate/nature
ls "$photos"/*.jpg >/dev/null 2>&1 || { echo "missing: the photographs of mate-backgrounds"; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets -j"${ORVANE_BENCH_JOBS:-4}" \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ORVANE_DESKTOP=record SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb
unset ORVANE_SCREEN_BPP
# The demo program folder gives the settings template, "config.ini" and the
# registry entry; its sets are replaced by one set of the photographs.
QT_QPA_PLATFORM=offscreen "$build/tools/orvane-demo-sets" "$work/program" >/dev/null

echo "machine: $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$build/apps/orvane" "$work" "$transitions" "$photos" <<'PY'
import glob, os, shutil, signal, subprocess, sys, time

exe, work, wanted, photos = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]
kinds = [int(k) for k in os.environ.get("ORVANE_BENCH_KINDS", "0 2 3 4 5 6 7 8 9 10").split()]
sizes = os.environ.get("ORVANE_BENCH_SIZES", "1920x1080 3840x2160").split()
orvanes = {"orvane": exe}
for entry in os.environ.get("ORVANE_BENCH_COMPARE", "").split():
    label, path = entry.split("=", 1)
    orvanes["orvane " + label] = path
tick = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF

program = os.path.join(work, "program")
for name in os.listdir(program):
    if name not in ("ScreenSaver.ini", "config.ini"):
        path = os.path.join(program, name)
        shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
pictures = sorted(glob.glob(os.path.join(photos, "*.jpg")))
folder = os.path.join(program, "Bench")
os.makedirs(folder)
lines = ["[SetDescriptions]", "Bench=Bench\\", "", "[Bench]"]
for picture in pictures:
    stem = os.path.splitext(os.path.basename(picture))[0]
    shutil.copy(picture, os.path.join(folder, stem + ".jpg"))
    lines.append("%s=%s" % (stem, stem))
with open(os.path.join(folder, "images.ini"), "w", newline="") as f:
    f.write("\r\n".join(lines) + "\r\n")
settings = os.path.join(os.environ["XDG_DATA_HOME"], "orvane")

def write_settings(kind):
    os.makedirs(settings, exist_ok=True)
    with open(os.path.join(settings, "ScreenSaver.ini"), "w", newline="") as f:
        f.write("[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=3s\r\nRandom=0\r\nLastImage=0\r\n"
                "stretch=1\r\nsound=0\r\n[transition]\r\ndefaultTransition=%d\r\n[InfoPanel]\r\n"
                "showText=0\r\nshowTitle=0\r\n[Panoramic]\r\nenable=0\r\n[CalendarSS]\r\nenable=0\r\n" % kind)

# Run time from the scheduler, in nanoseconds for each thread: utime and stime
# count whole clock ticks, too coarse for a step of a millisecond every 13 ms.
# Each thread's last figure is kept, so one that ends takes its time along.
thread_runtime = {}

def cpu_seconds(pid):
    try:
        tids = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return None
    for tid in tids:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                thread_runtime[(pid, tid)] = int(f.read().split()[0])
        except OSError:
            pass  # it ended just now
    return sum(v for (p, _), v in thread_runtime.items() if p == pid) / 1e9

def rss_mib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"): return int(line.split()[1]) / 1024.0
    except OSError:
        pass
    return None

def start_xvfb(size):
    display = os.path.join(work, "display")
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-noreset", "-screen", "0", size + "x24",
                             "-nolisten", "tcp"], pass_fds=(w,), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk: sys.exit("Xvfb did not start")
        number += chunk
    os.close(r)
    return xvfb, ":" + number.decode().strip()

def measure(argv, env, xvfb, until_transitions, seconds):
    """Runs argv until it has finished until_transitions transitions (orvane,
    from its trace) or for seconds (feh); samples CPU and memory every 0.1 s."""
    trace = env.get("ORVANE_TRACE")
    if trace: open(trace, "w").close()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    start = time.monotonic()
    samples = []  # (tick, cpu, rss, x server cpu)
    done = False
    while proc.poll() is None and not done:
        c, m, x = cpu_seconds(proc.pid), rss_mib(proc.pid), cpu_seconds(xvfb.pid)
        if c is not None and m is not None: samples.append((tick(), c, m, x))
        elapsed = time.monotonic() - start
        if trace:
            with open(trace) as f:
                finished = sum(1 for line in f if line.startswith("trans "))
            done = finished >= until_transitions or elapsed > 90
        else:
            done = elapsed >= seconds
        time.sleep(0.1)
    if proc.poll() is not None: sys.exit("%s ended early (exit %d)" % (argv[0], proc.returncode))
    wall = time.monotonic() - start
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill(); proc.wait()
    return samples, wall

def summarise(samples, wall, trace):
    trans, steps, opened = [], [], None
    if trace:
        current = []
        for line in open(trace):
            kind, a, b = line.split()
            a, b = int(a), int(b)
            if kind == "transstart": opened, current = a, []
            elif kind == "step": current.append(b)
            elif kind == "trans" and opened is not None:
                trans.append((a, b)); steps.append(current); opened = None
    # CPU during the transitions: the sample intervals that lie within one.
    used = spent = 0.0
    for (t0, c0, _, _), (t1, c1, _, _) in zip(samples, samples[1:]):
        if any(s <= t0 and t1 <= e for s, e in trans):
            used += c1 - c0; spent += (t1 - t0) / 1000.0
    first, last = samples[0], samples[-1]
    overall = 100 * (last[1] - first[1]) / max(1e-9, (last[0] - first[0]) / 1000.0)
    xserver = 100 * (last[3] - first[3]) / max(1e-9, (last[0] - first[0]) / 1000.0)
    at5 = next((m for t, _, m, _ in samples if (t - first[0]) >= 5000), last[2])
    rss = [m for _, _, m, _ in samples]
    row = {"during": 100 * used / spent if spent else float("nan"), "overall": overall,
           "x": xserver, "rss5": at5, "rssend": last[2], "rssmean": sum(rss) / len(rss),
           "rssmax": max(rss)}
    if steps:
        row["steps"] = "/".join(str(len(s)) for s in steps)
        row["seconds"] = "/".join("%.1f" % (((e - s) & 0xFFFFFFFF) / 1000.0) for s, e in trans)
        row["gapfirst"] = max(steps[0]) if steps[0] else 0
        row["gapall"] = max(max(s) for s in steps if s)
    return row

fmt = lambda v: "-" if v != v else "%.1f" % v
head = "  %-14s %4s %7s %7s %6s %11s %11s %6s %6s %6s %6s %6s %6s"
print()
print("CPU % of a core: during transitions, over the run, the X server's over the run;")
print("steps and seconds of each finished transition; longest step gap (ms) in the first")
print("transition and in all; resident MiB at 5 s, at the end, mean, maximum")
for size in sizes:
    xvfb, display = start_xvfb(size)
    env = dict(os.environ, DISPLAY=display)
    print()
    print("%s (Xvfb %s), %d photographs, a slide every 3 s" % (size, display, len(pictures)))
    print(head % ("program", "kind", "CPU tr", "CPU run", "X run", "steps", "seconds",
                  "gap 1", "gap", "MiB 5s", "end", "mean", "max"))
    longest = 0.0
    try:
        for name, path in orvanes.items():  # warms the caches and builds the settings folder
            write_settings(0)
            measure([path, "/s"], dict(env, ORVANE_TRACE=os.path.join(work, "warm.txt")), xvfb, 1, 0)
        for kind in kinds:
            for name, path in orvanes.items():
                write_settings(kind)
                trace = os.path.join(work, "trace.txt")
                samples, wall = measure([path, "/s"], dict(env, ORVANE_TRACE=trace), xvfb, wanted, 0)
                longest = max(longest, wall)
                r = summarise(samples, wall, trace)
                print(head % (name, kind, fmt(r["during"]), fmt(r["overall"]), fmt(r["x"]),
                              r.get("steps", "-"), r.get("seconds", "-"), r.get("gapfirst", "-"),
                              r.get("gapall", "-"), fmt(r["rss5"]), fmt(r["rssend"]),
                              fmt(r["rssmean"]), fmt(r["rssmax"])), flush=True)
        samples, wall = measure(["feh", "-D", "3", "-F", "-Z"] + pictures, env, xvfb, 0,
                                max(20.0, longest))
        r = summarise(samples, wall, None)
        print(head % ("feh -D 3 -F -Z", "-", "-", fmt(r["overall"]), fmt(r["x"]), "-", "-", "-", "-",
                      fmt(r["rss5"]), fmt(r["rssend"]), fmt(r["rssmean"]), fmt(r["rssmax"])))
    finally:
        xvfb.terminate(); xvfb.wait()
PY
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
