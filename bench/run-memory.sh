#!/usr/bin/env bash
# Resident memory of a long show: "orvane /s" under Xvfb at 1920 x 1080 and at
# 3840 x 2160, a slide every second (a long show's churn of pictures in a few
# minutes), on one set of every JPEG photograph of Debian's mate-backgrounds
# package (1280 x 1024 to 5640 x 3172) and a generated 6000 x 4000 camera JPEG,
# played at random. VmRSS of the show is sampled every half second; reported
# per screen: the figure at a few moments, the mean and the largest after the
# first minute, the mean of the first and of the last minute after it (their
# ratio is the growth) and the slides shown.
#   bench/run-memory.sh [SECONDS] [TRANSITION]   (default 240 s, 0: plain cuts;
#                                                 1 cycles through every kind)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the photographs, and
# ORVANE_BENCH_COMPARE to other builds' orvane programs (older commits', say),
# blank-separated NAME=PATH, to run them at the same time on a screen of their
# own, so that the machine's load falls on all alike. ORVANE_BENCH_SIZES picks
# the screens (default "1920x1080 3840x2160"), one after the other.
set -euo pipefail

seconds="${1:-240}"
transition="${2:-0}"
source "$(dirname "$0")/lib.sh"
bench_begin build-saver-bench

bench_install xvfb mate-backgrounds
photos=(/usr/share/backgrounds/mate/*/*.jpg)
[ -e "${photos[0]}" ] || { echo "missing: the photographs of mate-backgrounds"; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets orvane-imaging-fit -j"${ORVANE_BENCH_JOBS:-4}" \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

echo "machine: $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "pictures: ${#photos[@]} photographs of mate-backgrounds and a 6000x4000 camera JPEG;" \
  "1 s slides, transition setting $transition, $seconds s a show"
python3 - "$build" "$work" "$seconds" "$transition" "${ORVANE_BENCH_COMPARE:-}" "${photos[@]}" <<'PY'
import os, shutil, signal, subprocess, sys, time

build, work, seconds, transition, compare = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4], sys.argv[5]
photos = sys.argv[6:]
orvanes = {"orvane": os.path.join(build, "apps/orvane")}
for entry in compare.split():
    label, path = entry.split("=", 1)
    orvanes["orvane " + label] = path
camera = os.path.join(work, "camera.jpg")
subprocess.run([os.path.join(build, "bench/orvane-imaging-fit"), "make", camera, "6000", "4000"],
               check=True, stdout=subprocess.DEVNULL)

def home_for(name):
    # A home of its own per show: settings folder, program folder, one set.
    home = os.path.join(work, "home-" + name.replace(" ", "-"))
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/.local/share",
               XDG_STATE_HOME=home + "/.local/state", XDG_CONFIG_HOME=home + "/.config",
               XDG_RUNTIME_DIR=home + "/run", ORVANE_DESKTOP="record", SDL_AUDIODRIVER="dummy")
    env.pop("ORVANE_SCREEN_BPP", None)
    os.makedirs(home + "/run", mode=0o700)
    program = os.path.join(home, "program")
    subprocess.run([os.path.join(build, "tools/orvane-demo-sets"), program], check=True,
                   env=dict(env, QT_QPA_PLATFORM="offscreen"), stdout=subprocess.DEVNULL)
    for entry in os.listdir(program):
        if entry not in ("ScreenSaver.ini", "config.ini"):
            path = os.path.join(program, entry)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    folder = os.path.join(program, "Photos")
    os.makedirs(folder)
    lines = []
    for i, picture in enumerate(photos + [camera]):
        shutil.copy(picture, os.path.join(folder, "p%02d.jpg" % i))
        lines.append("photo%02d=p%02d" % (i, i))
    with open(os.path.join(folder, "images.ini"), "w", newline="") as f:
        f.write("[SetDescriptions]\r\nPhotos=Photos\\\r\n\r\n[Photos]\r\n" + "\r\n".join(lines) + "\r\n")
    settings = os.path.join(env["XDG_DATA_HOME"], "orvane")
    shutil.rmtree(settings, ignore_errors=True)  # the catalogue is made anew from the one set
    os.makedirs(settings)
    with open(os.path.join(settings, "ScreenSaver.ini"), "w", newline="") as f:
        f.write("[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=1s\r\nRandom=1\r\nstretch=1\r\n"
                "sound=0\r\n[transition]\r\ndefaultTransition=%s\r\n[InfoPanel]\r\nshowText=1\r\n"
                "showTitle=1\r\ndefaultTime=2\r\n[CalendarSS]\r\nenable=1\r\n" % transition)
    return env

def start_xvfb(size):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-noreset", "-nolisten", "tcp",
                             "-screen", "0", size + "x24"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    display = b""
    while not display.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk: sys.exit("Xvfb did not start")
        display += chunk
    os.close(read)
    return xvfb, ":" + display.decode().strip()

def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"): return int(line.split()[1])
    except OSError:
        pass
    return None

for size in os.environ.get("ORVANE_BENCH_SIZES", "1920x1080 3840x2160").split():
    shows = {}
    for name, exe in orvanes.items():
        env = home_for(name + "-" + size)
        xvfb, display = start_xvfb(size)
        trace = os.path.join(work, "trace-%s-%s.txt" % (name.replace(" ", "-"), size))
        open(trace, "w").close()
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", ORVANE_TRACE=trace)
        proc = subprocess.Popen([exe, "/s"], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        shows[name] = (proc, xvfb, trace, [])
    start = time.monotonic()
    while time.monotonic() - start < seconds:
        now = time.monotonic() - start
        for name, (proc, _, _, samples) in shows.items():
            kib = rss_kib(proc.pid) if proc.poll() is None else None
            if kib is not None: samples.append((now, kib / 1024.0))
        time.sleep(0.5)
    for name, (proc, xvfb, _, _) in shows.items():
        if proc.poll() is not None: sys.exit("%s ended early (exit %d)" % (name, proc.returncode))
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill(); proc.wait()
        xvfb.terminate(); xvfb.wait()
    marks = [t for t in (15, 30, 60, 120, 180, 300, 600, 1200, 1800) if t <= seconds]
    print()
    print("%s: resident memory (VmRSS, MiB) of the show" % size)
    print("  %-14s %6s " % ("program", "slides") + " ".join("%6s" % ("%ds" % t) for t in marks) +
          " %8s %8s %8s %8s %7s" % ("mean>60s", "max>60s", "2nd min", "last min", "growth"))
    for name, (_, _, trace, samples) in shows.items():
        slides = sum(1 for line in open(trace) if line.startswith("prep "))
        at = lambda t: min(samples, key=lambda s: abs(s[0] - t))[1]
        later = [m for t, m in samples if t >= 60] or [samples[-1][1]]
        second = [m for t, m in samples if 60 <= t < 120] or later
        last = [m for t, m in samples if t >= samples[-1][0] - 60] or later
        mean = lambda v: sum(v) / len(v)
        print("  %-14s %6d " % (name, slides) + " ".join("%6.0f" % at(t) for t in marks) +
              " %8.0f %8.0f %8.0f %8.0f %6.2fx" % (mean(later), max(later), mean(second),
                                                  mean(last), mean(last) / mean(second)))
PY
echo
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
