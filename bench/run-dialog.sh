#!/usr/bin/env bash
# Times the settings dialog on generated catalogues, offscreen:
#   shown  - a whole "orvane /c" process, from its start to the dialog painted
#            with its lists filled (the "shown" line of its ORVANE_TRACE); the
#            catalogue is rebuilt from "Orvane.ini" and the set folders at
#            every start. "first" has no settings folder yet (every set is
#            imported), "warm" finds the catalogue the first start wrote.
#   save   - the catalogue save of the "Edit Sets" page (SaveSetsInfo) in a
#            process that has loaded the dialog (orvane-dialog-save).
# Peak memory is each process's VmHWM. Each case runs RUNS times (default 3);
# the median is shown.
#   bench/run-dialog.sh [RUNS] [LIMIT]
set -euo pipefail

runs="${1:-3}"
limit="${2:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build-dialog-bench}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane orvane-demo-sets orvane-dialog-save -j"${ORVANE_BENCH_JOBS:-4}" \
  >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }

export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_STATE_HOME="$work/home/.local/state"
export XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export ORVANE_DESKTOP=record SDL_AUDIODRIVER=dummy
unset ORVANE_SCREEN_BPP DISPLAY
export QT_QPA_PLATFORM=offscreen

# The demo program folder gives the settings template, "config.ini" and the
# registry entry; its sets are replaced by the generated ones for each case.
"$build/tools/orvane-demo-sets" "$work/program" >/dev/null

python3 - "$build/apps/orvane" "$build/bench/orvane-dialog-save" "$work" "$runs" "$limit" <<'PY'
import os, shutil, signal, statistics, subprocess, sys, time

exe, save_exe, work, runs, limit = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), float(sys.argv[5])
program = os.path.join(work, "program")
settings = os.path.join(os.environ["XDG_DATA_HOME"], "orvane")
keep = {"ScreenSaver.ini", "config.ini"}

def make_catalogue(images, sets):
    for name in os.listdir(program):
        if name not in keep:
            path = os.path.join(program, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
    per_set, extra = divmod(images, sets)
    for number in range(sets):
        count = per_set + (1 if number < extra else 0)
        name = "Bench Set %03d" % number
        folder = os.path.join(program, "set%03d" % number)
        os.makedirs(folder)
        lines = ["[SetDescriptions]", name + "=set%03d\\" % number, "", "[" + name + "]"]
        lines += ["Image %05d=pic%05d" % (i, i) for i in range(count)]
        with open(os.path.join(folder, "images.ini"), "w", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")
        with open(os.path.join(folder, "company.ini"), "w", newline="") as f:
            f.write("[TitlePage]\r\nfile=pic00000\r\nuserControl=1\r\n")

def peak_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"): return int(line.split()[1])
    except OSError:
        pass
    return 0

def shown_once():
    trace = os.path.join(work, "trace.txt")
    open(trace, "w").close()
    env = dict(os.environ, ORVANE_TRACE=trace)
    start = time.monotonic()
    proc = subprocess.Popen([exe, "/c"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown, peak = None, 0
    while time.monotonic() - start < limit and proc.poll() is None:
        peak = max(peak, peak_kib(proc.pid))
        with open(trace) as f:
            if any(line.startswith("shown ") for line in f):
                shown = (time.monotonic() - start) * 1000
                break
        time.sleep(0.002)
    peak = max(peak, peak_kib(proc.pid))
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(5)
    except subprocess.TimeoutExpired:
        proc.kill(); proc.wait()
    return shown, peak

def measure_shown(first):
    times, peaks = [], []
    for _ in range(runs):
        if first: shutil.rmtree(settings, ignore_errors=True)
        shown, peak = shown_once()
        times.append(float("inf") if shown is None else shown)
        peaks.append(peak)
        if shown is None: break
    median = statistics.median(times)
    return (">%d" % (limit * 1000) if median == float("inf") else "%.0f" % median), max(peaks) / 1024.0

def measure_save():
    out_path = os.path.join(work, "save.txt")
    with open(out_path, "w") as out:
        proc = subprocess.Popen([save_exe, str(max(runs, 5))], stdout=out, stderr=subprocess.DEVNULL)
        _, _, usage = os.wait4(proc.pid, 0)
    text = open(out_path).read().split()
    return (text[1] if text and text[0] == "save" else "fail"), usage.ru_maxrss / 1024.0

print("settings dialog, offscreen: orvane /c from process start to the dialog shown "
      "with its lists filled; catalogue save; median of %d runs" % runs)
print("%-22s %9s %8s %9s %8s %9s %8s" % ("catalogue", "first ms", "MB", "warm ms", "MB", "save ms", "MB"))
for images, sets in [(10, 10), (1000, 10), (1000, 200), (10000, 50), (10000, 200)]:
    make_catalogue(images, sets)
    first, first_mb = measure_shown(True)
    warm, warm_mb = measure_shown(False)
    save, save_mb = measure_save()
    print("%-22s %9s %8.0f %9s %8.0f %9s %8.0f" % ("%d in %d sets" % (images, sets), first, first_mb,
                                                   warm, warm_mb, save, save_mb), flush=True)
PY
