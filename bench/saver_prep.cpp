// Prepares one slide as the show does, in a process of its own, which
// bench/run-slide.sh times whole (with RUNS 1) beside peer tools; it also
// prints the preparation's own time:
//   orvane-saver-prep PICTURE.jpg SCREEN_W SCREEN_H fit|strip [RUNS]
// The picture becomes the only image of a one-set program folder in a
// temporary home; "strip" describes it as a top-to-bottom panorama. Set
// ORVANE_SCREEN_BPP=8 for the low-colour path. Prints the median and the
// fastest preparation in milliseconds and the prepared slide's size. With
// ORVANE_BENCH_SLIDE set, the prepared slide is written there as a bitmap.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "platform/registry.h"
#include "saver/frmSaver.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: orvane-saver-prep PICTURE.jpg SCREEN_W SCREEN_H fit|strip [RUNS]\n");
    return 2;
  }
  const fs::path picture = fs::absolute(argv[1]);
  const int screenW = std::atoi(argv[2]);
  const int screenH = std::atoi(argv[3]);
  const std::string mode = argv[4];
  const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 5;

  // A home of its own, so the user's settings are never touched.
  char pattern[] = "/tmp/orvane-prep-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path home = pattern;
  setenv("HOME", (home / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "home/.local/share").c_str(), 1);
  setenv("XDG_STATE_HOME", (home / "home/.local/state").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  setenv("ORVANE_DESKTOP", "record", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  const fs::path program = home / "program";
  fs::create_directories(program / "Bench");
  fs::create_symlink(picture, program / "Bench/photo.jpg");
  if (mode == "strip") Write(program / "Bench/photo.jpg.nfo", "[Panoramic]\r\nPanDirection=TopToBottom\r\n");
  orvane::platform::RegSetValue(orvane::platform::Hive::LocalMachine,
                                orvane::core::kProgramPathKey, "", program.string() + "/");
  const std::string settings = orvane::core::GetSettingsFolder();
  Write(settings + "ScreenSaver.ini",
        "[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nRandom=0\r\nCurrentSet=Bench\r\nstretch=1\r\n"
        "[Panoramic]\r\nenable=1\r\n");
  Write(settings + "Orvane.ini", "[SetDescriptions]\r\nBench=Bench\\\r\n[Bench]\r\nphoto=photo.jpg\r\n");

  std::vector<double> times;
  int slideW = 0, slideH = 0;
  {
    orvane::saver::frmSaver window(QRect(0, 0, screenW, screenH));
    window.Load();
    window.tmrTrans.SetEnabled(false);
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      window.PrepImage();
      const auto end = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    slideW = window.picStretch.Width();
    slideH = window.picStretch.Height();
    // The prepared slide as a bitmap, for comparing builds byte by byte.
    if (const char* keep = std::getenv("ORVANE_BENCH_SLIDE")) window.picStretch.SavePicture(keep);
  }
  std::error_code ignored;
  fs::remove_all(home, ignored);

  std::sort(times.begin(), times.end());
  std::printf("median_ms %.1f\nfastest_ms %.1f\nslide %dx%d\n", times[times.size() / 2], times.front(),
              slideW, slideH);
  return slideW > 0 ? 0 : 1;
}
