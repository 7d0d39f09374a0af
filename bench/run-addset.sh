#!/usr/bin/env bash
# Times orvane-add-set making a set of 300 photographs (its thumbnails, on
# every core) against vipsthumbnail -s 160x120 on the same pictures in one
# process, whole process against whole process, in the same run. The
# photographs are the JPEGs of Debian's mate-backgrounds, copied under new
# names up to 300.
#   bench/run-addset.sh [RUNS]        (default 5 runs per tool)
# Set ORVANE_BENCH_NO_SETUP=1 to skip installing the peer tool and the pictures.
set -euo pipefail

runs="${1:-5}"
source "$(dirname "$0")/lib.sh"
bench_begin build-bench

# Setup: the peer tool and the photographs, not project dependencies.
bench_install libvips-tools mate-backgrounds

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-add-set -j"$(nproc)" >/dev/null
addset="$build/apps/orvane-add-set"
[ -x "$addset" ] || addset="$(find "$build" -name orvane-add-set -type f -perm -u+x | head -n 1)"

photos="$work/Photos"
mkdir -p "$photos"
mapfile -t sources < <(find /usr/share/backgrounds/mate -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | sort)
[ "${#sources[@]}" -gt 0 ] || { echo "no photographs in /usr/share/backgrounds/mate"; exit 1; }
for i in $(seq 0 299); do
  src="${sources[$((i % ${#sources[@]}))]}"
  cp "$src" "$photos/$(printf '%03d' "$i")-$(basename "$src")"
done
echo "pictures: $(ls "$photos" | wc -l) copies of ${#sources[@]} photographs, $(( $(du -sk "$photos" | cut -f1) / 1024 )) MiB"

# A home of its own: the program folder is made there at the first run, and
# each timed run starts without the set, so every thumbnail is made.
home="$work/home"
mkdir -p "$home" "$work/vips"
export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_STATE_HOME="$home/.local/state" XDG_CONFIG_HOME="$home/.config"
"$addset" "$photos" >/dev/null 2>&1
program="$XDG_DATA_HOME/orvane/sets"
[ -f "$program/Photos/images.ini" ] || { echo "orvane-add-set made no set in $program"; exit 1; }

orvane_cmd="sh -c 'rm -rf \"$program/Photos\"; exec \"$addset\" \"$photos\" >/dev/null 2>&1'"
vips_cmd="sh -c 'exec vipsthumbnail -s 160x120 -o \"$work/vips/%s.jpg\" \"$photos\"/*.jpg'"
if command -v farm-bench >/dev/null; then
  eval farm-bench -n "$runs" --timeout 900 --vs "\"$vips_cmd\"" -- $orvane_cmd | tee "$work/report.txt"
else
  # Without farm-bench: a warm-up run each, then the mean wall time of the runs.
  declare -A mean
  for name in orvane vips; do
    cmd="${name}_cmd"
    eval "${!cmd}"
    start=$(date +%s%N)
    for _ in $(seq "$runs"); do eval "${!cmd}"; done
    end=$(date +%s%N)
    mean[$name]=$(python3 -c "print(($end - $start) / 1e9 / $runs)")
  done
  python3 -c "print('orvane-add-set %.2f s, vipsthumbnail %.2f s, ratio %.3f' % (${mean[orvane]}, ${mean[vips]}, ${mean[orvane]} / ${mean[vips]}))"
fi
echo "thumbnails: orvane-add-set $(ls "$program/Photos" | grep -c '\.bmp$'), vipsthumbnail $(ls "$work/vips" | wc -l)"
