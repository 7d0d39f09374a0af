// Command-line fitter for timing against peer tools (bench/run-imaging.sh):
//   orvane-imaging-fit make OUT.jpg [WIDTH HEIGHT]   writes a noisy gradient JPEG
//   orvane-imaging-fit fit IN.jpg OUT.jpg [WIDTH HEIGHT]
// "fit" decodes with DCT scaling, stretches (halftone) to fit the box keeping the
// aspect ratio, and writes a JPEG at quality 90, as the peers are asked to.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"
#include "imaging/jpeg.h"
#include "imaging/store.h"

namespace im = orvane::imaging;

namespace {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A photograph-like picture: two crossing gradients, soft rings and grain, so
// the JPEG has the detail (and size) of a camera file.
im::Handle MakePicture(int width, int height) {
  const im::Handle h = im::CreateWorkBuff(width, height, 0, 0);
  im::detail::Picture* p = im::detail::Find(h);
  if (!p) return im::kNoHandle;
  std::uint32_t state = 12345;
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = p->Row(y);
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int grain = int(state >> 27) - 16;
      const int dx = x - width / 2, dy = y - height / 2;
      const int ring = ((dx * dx + dy * dy) / (width / 8 + 1)) % 64;
      auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
      row[x] = im::detail::MakePixel(clamp(255 * x / width + grain),
                                     clamp(255 * y / height + ring / 2 + grain),
                                     clamp(128 + ring + grain / 2));
    }
  }
  return h;
}

int Usage() {
  std::fprintf(stderr,
               "usage: orvane-imaging-fit make OUT.jpg [WIDTH HEIGHT]\n"
               "       orvane-imaging-fit fit IN.jpg OUT.jpg [WIDTH HEIGHT]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (command == "make") {
    const int w = argc > 4 ? std::atoi(argv[3]) : 6000, h = argc > 4 ? std::atoi(argv[4]) : 4000;
    const im::Handle picture = MakePicture(w, h);
    std::vector<std::uint8_t> bytes;
    if (picture < 0 || !im::detail::EncodeJpeg(*im::detail::Find(picture), 92, bytes) ||
        !WriteBytes(argv[2], bytes)) {
      std::fprintf(stderr, "cannot make %s\n", argv[2]);
      return 1;
    }
    return 0;
  }
  if (command != "fit" || argc < 4) return Usage();
  const int boxW = argc > 5 ? std::atoi(argv[4]) : 1920, boxH = argc > 5 ? std::atoi(argv[5]) : 1080;
  const im::Handle src = im::LoadWorkBuff(argv[2], boxW, boxH);
  if (src < 0) {
    std::fprintf(stderr, "cannot read %s (error %d)\n", argv[2], im::LastError());
    return 1;
  }
  const int sw = im::GetGCBitmapWidth(src), sh = im::GetGCBitmapHeight(src);
  // Fit inside the box, keeping the aspect ratio.
  int w = boxW, h = int((long long)sh * boxW / sw);
  if (h > boxH) h = boxH, w = int((long long)sw * boxH / sh);
  const im::Handle dst = im::CreateWorkBuff(w, h, 0, 0);
  const im::DeviceContext dc = im::GetWorkBuffHDC(dst);
  im::SetStretchBltMode(dc, im::kHalftone);
  im::StretchBlt(dc, 0, 0, w, h, im::GetWorkBuffHDC(src), 0, 0, sw, sh);
  std::vector<std::uint8_t> bytes;
  if (!im::detail::EncodeJpeg(*im::detail::Find(dst), 90, bytes) || !WriteBytes(argv[3], bytes)) {
    std::fprintf(stderr, "cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
