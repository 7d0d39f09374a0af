#!/usr/bin/env bash
# Compares the slides two builds prepare, byte for byte: orvane-saver-prep of
# this tree and of another build (an older commit's, say) prepare every JPEG of
# Debian's mate-backgrounds and a generated 6000 x 4000 camera JPEG for a few
# screens, fitted and as a panorama strip, at 24 and 8 bits per pixel, and the
# two slide bitmaps of each must be the same bytes.
#   bench/compare-slides.sh OTHER_PREP    (OTHER_PREP: the other build's
#                                          bench/orvane-saver-prep)
# ORVANE_BENCH_SIZES picks the screens (default "1920x1080 3840x2160 1280x1024"),
# ORVANE_BENCH_NO_SETUP=1 skips installing the photographs.
set -euo pipefail

other="${1:?usage: bench/compare-slides.sh OTHER_BUILD/bench/orvane-saver-prep}"
source "$(dirname "$0")/lib.sh"
bench_begin build-saver-bench

bench_install mate-backgrounds
photos=(/usr/share/backgrounds/mate/*/*.jpg)
[ -e "${photos[0]}" ] || { echo "missing: the photographs of mate-backgrounds"; exit 1; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DORVANE_TESTS=OFF >/dev/null
cmake --build "$build" --target orvane-saver-prep orvane-imaging-fit -j4 >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; exit 1; }
prep="$build/bench/orvane-saver-prep"
"$build/bench/orvane-imaging-fit" make "$work/camera.jpg" 6000 4000

export QT_QPA_PLATFORM=offscreen
same=0 differ=0
for picture in "${photos[@]}" "$work/camera.jpg"; do
  for size in ${ORVANE_BENCH_SIZES:-1920x1080 3840x2160 1280x1024}; do
    for mode in fit strip; do
      for bpp in "" 8; do
        for side in this other; do
          program="$prep"
          [ "$side" = other ] && program="$other"
          depth=(env -u ORVANE_SCREEN_BPP)
          [ -n "$bpp" ] && depth=(env ORVANE_SCREEN_BPP="$bpp")
          "${depth[@]}" ORVANE_BENCH_SLIDE="$work/$side.bmp" "$program" "$picture" "${size%x*}" "${size#*x}" "$mode" 1 >/dev/null 2>&1 ||
            { echo "failed: $side $picture $size $mode ${bpp:-24}"; exit 1; }
        done
        if cmp -s "$work/this.bmp" "$work/other.bmp"; then
          same=$((same + 1))
        else
          differ=$((differ + 1))
          echo "differ: $(basename "$picture") $size $mode ${bpp:-24}-bit"
        fi
      done
    done
  done
done
echo "slides compared: $((same + differ)), identical: $same, different: $differ"
[ "$differ" -eq 0 ]
