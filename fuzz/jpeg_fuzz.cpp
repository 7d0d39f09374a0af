// Feeds arbitrary bytes to the JPEG load path: straight from memory at full size
// and DCT-scaled, and once through a file as LoadWorkBuff reads it, then stretches
// the result to a small screen.
#include <turbojpeg.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/picture_file.h"
#include "imaging/store.h"

namespace im = orvane::imaging;

// With ORVANE_FUZZ_SEEDS set to a folder, writes a few small JPEGs there first
// (every subsampling, baseline and progressive) so the fuzzer starts from real
// files.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* dir = std::getenv("ORVANE_FUZZ_SEEDS");
  if (!dir) return 0;
  const int w = 37, h = 21;
  std::string rgb(std::size_t(w) * h * 3, '\0');
  for (int i = 0; i < w * h; ++i) {
    rgb[3 * i] = char(i * 7);
    rgb[3 * i + 1] = char((i / w) * 12);
    rgb[3 * i + 2] = char(i % w * 6);
  }
  tjhandle tj = tjInitCompress();
  int n = 0;
  for (int sub : {TJSAMP_444, TJSAMP_422, TJSAMP_420, TJSAMP_GRAY, TJSAMP_440, TJSAMP_411})
    for (int flags : {0, TJFLAG_PROGRESSIVE}) {
      unsigned char* out = nullptr;
      unsigned long size = 0;
      if (tjCompress2(tj, reinterpret_cast<const unsigned char*>(rgb.data()), w, 0, h, TJPF_RGB,
                      &out, &size, sub, 75, flags) == 0) {
        const std::string path = std::string(dir) + "/seed-" + std::to_string(n++) + ".jpg";
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
          std::fwrite(out, 1, size, f);
          std::fclose(f);
        }
      }
      tjFree(out);
    }
  tjDestroy(tj);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  im::detail::pixelLimit = 1u << 22;  // keeps each run well inside the fuzzer's memory limit
  // Every input is tried as a JPEG, also when its first bytes say otherwise.
  std::string bytes("\xFF\xD8\xFF", 3);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) bytes.clear();
  bytes.append(reinterpret_cast<const char*>(data), size);
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  im::detail::DecodePicture(p, bytes.size());
  im::detail::DecodePicture(p, bytes.size(), 64, 48);

  static const std::string path = "/tmp/orvane-jpeg-fuzz-" + std::to_string(::getpid()) + ".jpg";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    const im::Handle src = im::LoadWorkBuff(path, 32, 24);
    if (src >= 0) {
      const im::Handle dst = im::CreateWorkBuff(32, 24, 0, 0);
      const im::DeviceContext dc = im::GetWorkBuffHDC(dst);
      im::SetStretchBltMode(dc, im::kHalftone);
      im::StretchBlt(dc, 0, 0, 32, 24, im::GetWorkBuffHDC(src), 0, 0, im::GetGCBitmapWidth(src),
                     im::GetGCBitmapHeight(src));
      im::DestroyWorkBuff(dst);
      im::DestroyWorkBuff(src);
    }
  }
  return 0;
}
