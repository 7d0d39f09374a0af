#!/usr/bin/env bash
# Runs "orvane /s" on the demo sets for SECONDS (default 60) at a 5 s slide
# delay at 1920 x 1080, once with every transition kind in turn and once with
# plain cuts, and reports from the program's own trace (ORVANE_TRACE):
#   - CPU seconds over wall seconds, overall, outside the slide preparations,
#     outside preparations, transitions and pans (the idle show), and during
#     the pans of the panorama (a third run with pans on, 10 ms a step, so
#     that a pan ends within the run; the first two show the panorama still);
#   - the worst gap between two transition steps;
#   - the machine's load (1-minute load average at the start and end of each
#     run, and its core count), since the figures are only as quiet as it.
# Runs under Xvfb on a free display (Xvfb -displayfd picks it) when Xvfb is
# installed, else on Qt's offscreen platform with a 1920 x 1080 screen.
# Everything happens in a temporary home.
#   bench/run-saver.sh [SECONDS]
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build-saver-bench}"
work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets -j4 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ORVANE_DESKTOP=record SDL_AUDIODRIVER=dummy
unset ORVANE_SCREEN_BPP

if command -v Xvfb >/dev/null; then
  # Xvfb writes the display it took to descriptor 3 once it accepts clients.
  Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
  platform="Xvfb $DISPLAY 1920x1080x24"
else
  printf '{"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]}\n' >"$work/screen.json"
  export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"
  platform="offscreen 1920x1080"
fi

QT_QPA_PLATFORM=offscreen "$build/tools/orvane-demo-sets" >/dev/null
settings="$XDG_DATA_HOME/orvane"
mkdir -p "$settings"

echo "orvane /s for $seconds s on the demo sets, 5 s slide delay, $platform, $(nproc) cores"
printf '%-12s %7s %8s %10s %11s %10s %7s %10s %12s\n' run slides "CPU %" "CPU % out" "CPU % idle" "CPU % in" steps "worst gap" "load"
printf '%-12s %7s %8s %10s %11s %10s %7s %10s %12s\n' "" "" overall "of preps" show pans "" ms "start-end"
for run in transitions cuts pans; do
  name="$run"
  transition=$([ "$run" = transitions ] && echo 1 || echo 0)
  panning=$([ "$run" = pans ] && echo 1 || echo 0)
  random=$([ "$run" = pans ] && echo 0 || echo 1)
  # The pan run plays the demo set that holds the panorama, starting with it.
  pan_set=$([ "$run" = pans ] && echo Coastline || echo "")
  last=$([ "$run" = pans ] && echo 3 || echo 0)
  printf '[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nchange=5s\r\nRandom=%s\r\nCurrentSet=%s\r\nLastImage=%s\r\nstretch=1\r\nsound=0\r\n[transition]\r\ndefaultTransition=%s\r\n[InfoPanel]\r\nshowText=1\r\nshowTitle=1\r\ndefaultTime=2\r\n[Panoramic]\r\nenable=%s\r\nspeed=10\r\n[CalendarSS]\r\nenable=1\r\n' \
    "$random" "$pan_set" "$last" "$transition" "$panning" >"$settings/ScreenSaver.ini"
  trace="$work/trace-$name.txt"
  : >"$trace"
  python3 - "$seconds" "$name" "$trace" "$build/apps/orvane" <<'PY'
import os, signal, subprocess, sys, time
seconds, name, trace, exe = float(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
load = lambda: open("/proc/loadavg").read().split()[0]
load_start = load()
tick = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF
hz = os.sysconf("SC_CLK_TCK")
env = dict(os.environ, ORVANE_TRACE=trace)
errors = open(trace + ".stderr", "w+")
proc = subprocess.Popen([exe, "/s"], env=env, stdout=subprocess.DEVNULL, stderr=errors)
def cpu():
    with open("/proc/%d/stat" % proc.pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / hz
samples = []
start = time.monotonic()
while time.monotonic() - start < seconds and proc.poll() is None:
    samples.append((tick(), cpu()))
    time.sleep(0.5)
if proc.poll() is not None:
    errors.seek(0)
    sys.exit("%s: orvane ended after %.1f s (exit %d): %s" % (name, time.monotonic() - start,
             proc.returncode, errors.read()[-500:].strip()))
samples.append((tick(), cpu()))
wall = time.monotonic() - start
proc.send_signal(signal.SIGTERM)
try:
    proc.wait(3)
except subprocess.TimeoutExpired:
    proc.kill(); proc.wait()

preps, trans, pans, gaps = [], [], [], []
opened = {}
for line in open(trace):
    kind, a, b = line.split()
    a, b = int(a), int(b)
    if kind.endswith("start"): opened[kind[:-5]] = a
    elif kind == "step": gaps.append(b)
    else:
        {"prep": preps, "trans": trans, "pan": pans}[kind].append((a, b))
        opened.pop(kind, None)
# A period still running when the show was stopped lasts to the end.
for kind, begun in opened.items():
    {"prep": preps, "trans": trans, "pan": pans}[kind].append((begun, samples[-1][0]))
# CPU time is counted in whole clock ticks and lags a little: an interval that
# touches a busy period, or follows one by less than half a second, is not idle.
def share(busy, inside=False):
    used = spent = 0.0
    for (t0, c0), (t1, c1) in zip(samples, samples[1:]):
        hit = any(s < t1 and e + 500 > t0 for s, e in busy)
        within = any(s <= t0 and t1 <= e for s, e in busy)
        if (inside and not within) or (not inside and hit): continue
        used += c1 - c0; spent += (t1 - t0) / 1000
    return 100 * used / spent if spent else float("nan")
overall = 100 * (samples[-1][1] - samples[0][1]) / wall
fmt = lambda v: "-" if v != v else "%.1f" % v  # nan: no such period
print("%-12s %7d %8.1f %10s %11s %10s %7d %10s %12s" % (name, len(preps), overall, fmt(share(preps)),
      fmt(share(preps + trans + pans)), fmt(share(pans, inside=True)), len(gaps),
      max(gaps) if gaps else "-", load_start + "-" + load()))
PY
done
