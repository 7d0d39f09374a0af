// Fitting a 6000 x 4000 camera-sized JPEG to a 1920 x 1080 screen: DCT-scaled
// decode plus halftone stretch, against a bare full-size TurboJPEG decode (the
// floor any decoder of the whole file pays), and the stretch alone.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/jpeg.h"
#include "imaging/quantize.h"
#include "imaging/store.h"

namespace {

namespace im = orvane::imaging;

const std::vector<std::uint8_t>& TestJpeg() {
  static const std::vector<std::uint8_t> bytes = [] {
    auto picture = im::detail::NewPicture(6000, 4000, im::detail::kOpaque);
    std::uint32_t state = 7;
    for (int y = 0; y < picture->height; ++y) {
      std::uint32_t* row = picture->Row(y);
      for (int x = 0; x < picture->width; ++x) {
        state = state * 1664525u + 1013904223u;
        const int grain = int(state >> 27);
        row[x] = im::detail::MakePixel(std::uint8_t(x * 255 / 6000 / 2 + grain * 3),
                                       std::uint8_t(y * 255 / 4000 / 2 + grain * 2),
                                       std::uint8_t(((x ^ y) & 127) + grain));
      }
    }
    std::vector<std::uint8_t> out;
    im::detail::EncodeJpeg(*picture, 92, out);
    return out;
  }();
  return bytes;
}

void FitToScreen(benchmark::State& state) {
  const auto& jpeg = TestJpeg();
  for (auto _ : state) {
    auto picture = im::detail::DecodeJpeg(jpeg.data(), jpeg.size(), 1920, 1080);
    const int sw = picture->width, sh = picture->height;
    picture->isWorkBuffer = true;
    const im::Handle src = im::detail::Insert(std::move(picture));
    const int h = 1080, w = int((long long)sw * h / sh);
    const im::Handle dst = im::CreateWorkBuff(w, h, 0, 0);
    const im::DeviceContext dc = im::GetWorkBuffHDC(dst);
    im::SetStretchBltMode(dc, im::kHalftone);
    im::StretchBlt(dc, 0, 0, w, h, im::GetWorkBuffHDC(src), 0, 0, sw, sh);
    benchmark::DoNotOptimize(im::detail::Find(dst)->pixels.get());
    im::DestroyWorkBuff(dst);
    im::DestroyWorkBuff(src);
  }
}
BENCHMARK(FitToScreen)->Unit(benchmark::kMillisecond);

void BareTurboJpegFullDecode(benchmark::State& state) {
  const auto& jpeg = TestJpeg();
  tjhandle tj = tjInitDecompress();
  std::vector<unsigned char> pixels(std::size_t(6000) * 4000 * 4);
  for (auto _ : state) {
    tjDecompress2(tj, jpeg.data(), static_cast<unsigned long>(jpeg.size()), pixels.data(), 6000,
                  0, 4000, TJPF_BGRX, 0);
    benchmark::DoNotOptimize(pixels.data());
  }
  tjDestroy(tj);
}
BENCHMARK(BareTurboJpegFullDecode)->Unit(benchmark::kMillisecond);

void HalftoneStretch3000x2000To1620x1080(benchmark::State& state) {
  const im::Handle src = im::CreateWorkBuff(3000, 2000, 0, 0);
  const im::Handle dst = im::CreateWorkBuff(1620, 1080, 0, 0);
  const im::DeviceContext dc = im::GetWorkBuffHDC(dst);
  im::SetStretchBltMode(dc, im::kHalftone);
  for (auto _ : state)
    im::StretchBlt(dc, 0, 0, 1620, 1080, im::GetWorkBuffHDC(src), 0, 0, 3000, 2000);
  im::DestroyWorkBuff(dst);
  im::DestroyWorkBuff(src);
}
BENCHMARK(HalftoneStretch3000x2000To1620x1080)->Unit(benchmark::kMillisecond);

// The 8-bit screen path on the camera picture as decoded for a full-HD screen
// (3000 x 2000), and the wallpaper's filter pass on a full-HD buffer.
std::unique_ptr<im::detail::Picture> ScaledPicture() {
  const auto& jpeg = TestJpeg();
  return im::detail::DecodeJpeg(jpeg.data(), jpeg.size(), 1920, 1080);
}

void ReduceTo256Colours(benchmark::State& state) {
  const auto picture = ScaledPicture();
  im::detail::IndexedPicture out;
  for (auto _ : state) im::detail::ReduceTo256(*picture, out);
  state.SetLabel(std::to_string(picture->width) + "x" + std::to_string(picture->height));
}
BENCHMARK(ReduceTo256Colours)->Unit(benchmark::kMillisecond);

void FilterPass1920x1080(benchmark::State& state) {
  const im::Handle buffer = im::CreateWorkBuff(1920, 1080, 0, 0);
  for (auto _ : state) im::FilterBitmap(buffer);
  im::DestroyWorkBuff(buffer);
}
BENCHMARK(FilterPass1920x1080)->Unit(benchmark::kMillisecond);

}  // namespace
