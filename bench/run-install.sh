#!/usr/bin/env bash
# Times the installer's extraction of ".ilb" libraries beside tar -xf of a tar
# of the same files and cp -r of the extracted folder, in the same run, each as
# a whole process with its peak memory (GNU time's maximum resident set size):
#   - 1,000 generated JPEG entries of 0.5 MB (500 MB in all);
#   - one entry of 1 GB.
#   bench/run-install.sh [RUNS]     (default 3 runs per tool, median time)
# The data is generated under /tmp and removed at the end (about 6 GB of room
# is needed while it runs).
set -euo pipefail

# Setup: GNU time measures each tool's peak memory.
if [ ! -x /usr/bin/time ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends time >/dev/null
fi

runs="${1:-3}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ORVANE_BENCH_BUILD:-$root/build-install-bench}"
work="$(mktemp -d /tmp/orvane-install-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-install-extract -j4 >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
extract="$build/bench/orvane-install-extract"

# The data: the files of each set, a library and a tar of them.
python3 - "$work" <<'PY'
import os, struct, sys
work = sys.argv[1]

def jpeg_like(size, seed):
    # A JPEG start-of-image and JFIF header, then incompressible bytes, as a
    # photograph's entropy-coded data is.
    head = b"\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
    return head + os.urandom(size - len(head) - 2) + b"\xff\xd9"

def make_set(name, files):
    folder = os.path.join(work, name, "src")
    os.makedirs(folder)
    for file_name, size, maker in files:
        with open(os.path.join(folder, file_name), "wb") as out:
            left, chunk = size, 64 << 20
            if maker == "jpeg":
                out.write(jpeg_like(size, 0))
            else:
                while left:
                    n = min(left, chunk)
                    out.write(os.urandom(n))
                    left -= n
    ini = "[SetDescriptions]\r\n%s=%s\\\r\n" % (name, name)
    with open(os.path.join(folder, "images.ini"), "w", newline="") as out:
        out.write(ini)
    # The library: each file's size value is its length - 1; the data is the file.
    with open(os.path.join(work, name, name + ".ilb"), "wb") as lib:
        lib.write(struct.pack("<i", len(name)) + name.encode() + struct.pack("<i", 0))
        for file_name in sorted(os.listdir(folder)):
            path = os.path.join(folder, file_name)
            size = os.path.getsize(path)
            lib.write(struct.pack("<ii", len(file_name), size - 1) + file_name.encode())
            with open(path, "rb") as data:
                while True:
                    block = data.read(8 << 20)
                    if not block:
                        break
                    lib.write(block)

make_set("Photos", [("photo%04d.jpg" % i, 512 * 1024, "jpeg") for i in range(1000)])
make_set("Huge", [("huge.bin", 1 << 30, "random")])
PY
for set in Photos Huge; do
  tar -cf "$work/$set/$set.tar" -C "$work/$set/src" .
  rm -rf "$work/$set/src"
done

python3 - "$work" "$runs" "$extract" <<'PY'
import os, shutil, subprocess, sys, time
work, runs, extract = sys.argv[1], int(sys.argv[2]), sys.argv[3]

memory = os.path.join(work, "peak")

def run(cmd):
    # GNU time reports the tool's own peak resident set (KiB); a child forked
    # straight from this script would count the script's pages too.
    start = time.monotonic()
    proc = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", memory] + cmd,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.monotonic() - start
    if proc.returncode != 0:
        raise SystemExit("%s failed: %s" % (cmd, proc.stderr.decode()))
    with open(memory) as f:
        return seconds, int(f.read().split()[-1]) / 1024

for name in ("Photos", "Huge"):
    folder = os.path.join(work, name)
    lib, tar = os.path.join(folder, name + ".ilb"), os.path.join(folder, name + ".tar")
    size = os.path.getsize(lib) / (1 << 20)
    # Read both once so every tool starts from the page cache.
    for path in (lib, tar):
        subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)
    results = {"orvane-install-extract": [], "tar -xf": [], "cp -r": []}
    peaks = dict.fromkeys(results, 0.0)
    for i in range(runs):
        target = os.path.join(folder, "out")
        for tool in results:
            shutil.rmtree(target, ignore_errors=True)
            os.makedirs(target)
            if tool == "orvane-install-extract":
                cmd = [extract, lib, target]
            elif tool == "tar -xf":
                cmd = ["tar", "-xf", tar, "-C", target]
            else:
                # cp -r of the folder the installer extracted.
                extracted = os.path.join(folder, "extracted")
                if not os.path.isdir(extracted):
                    os.makedirs(extracted)
                    subprocess.run([extract, lib, extracted], check=True, stdout=subprocess.DEVNULL)
                cmd = ["cp", "-r", os.path.join(extracted, name), target]
            seconds, peak = run(cmd)
            results[tool].append(seconds)
            peaks[tool] = max(peaks[tool], peak)
        shutil.rmtree(target, ignore_errors=True)
    shutil.rmtree(os.path.join(folder, "extracted"), ignore_errors=True)
    print("%s: library %.0f MiB, %d runs each (median wall time, largest peak RSS)" % (name, size, runs))
    base = sorted(results["tar -xf"])[runs // 2]
    for tool, times in results.items():
        median = sorted(times)[runs // 2]
        print("  %-24s %7.3f s  %5.2fx tar  %6.1f MiB" % (tool, median, median / base, peaks[tool]))
    print()
PY
