// Times the wallpaper builder stage by stage (bench/run-wallpaper.sh runs it,
// once per case in a fresh process, and reads its peak memory):
//   orvane-wallpaper-set PICTURE.jpg SCREEN_W SCREEN_H [nofit] [pan ORIGIN]
//                        [bpp BITS] [runs N]
// The picture becomes the chosen image of a set in a temporary folder; "pan"
// describes it as a left-to-right panorama starting ORIGIN pixels in (the
// panorama's shape is 1024 x 768). The calendar is drawn (medium, top right).
// Prints each stage's median in milliseconds, the median total and the
// wallpaper's size.
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "settings/WallpaperBuilder.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: orvane-wallpaper-set PICTURE.jpg SCREEN_W SCREEN_H [nofit] [pan ORIGIN] [bpp BITS] [runs N]\n");
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);

  char pattern[] = "/tmp/orvane-wallpaper-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path root = pattern;
  fs::create_directories(root / "Set");
  fs::create_directories(root / "settings");
  fs::copy_file(fs::absolute(argv[1]), root / "Set/photo.jpg");

  orvane::settings::WallpaperJob job;
  job.SettingsFolder = (root / "settings").string() + "/";
  job.SettingsFile = job.SettingsFolder + "ScreenSaver.ini";
  job.WPSetFolder = (root / "Set").string() + "/";
  job.WPImagePath = job.WPSetFolder + "photo";
  job.ScreenWidth = std::atoi(argv[2]);
  job.ScreenHeight = std::atoi(argv[3]);
  job.WPCalendarOn = true;
  job.WPCalendarPosition = 3;
  job.WPCalendarSize = 33;
  int runs = 1;
  for (int i = 4; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "nofit") job.Fit2Screen = false;
    else if (arg == "pan" && i + 1 < argc) {
      std::FILE* nfo = std::fopen((root / "Set/photo.nfo").c_str(), "wb");
      if (nfo) {
        std::fprintf(nfo, "[Panoramic]\r\nPanDirection=LeftToRight\r\nPanoramicOrigin=%s\r\n", argv[++i]);
        std::fclose(nfo);
      }
    } else if (arg == "bpp" && i + 1 < argc) job.BitsPerPixel = std::atoi(argv[++i]);
    else if (arg == "runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
  }

  std::map<std::string, std::vector<double>> stages;
  std::vector<std::string> order;
  std::vector<double> totals;
  bool ok = true;
  for (int run = 0; run < runs && ok; ++run) {
    std::string current;
    Clock::time_point mark = Clock::now();
    const Clock::time_point start = mark;
    job.Stage = [&](const char* stage) {
      const Clock::time_point now = Clock::now();
      if (!current.empty()) {
        if (!stages.count(current)) order.push_back(current);
        stages[current].push_back(std::chrono::duration<double, std::milli>(now - mark).count());
      }
      current = stage;
      mark = now;
    };
    ok = orvane::settings::RenderWallpaper(job).ok;
    totals.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  if (!ok) {
    std::fprintf(stderr, "render failed\n");
    return 1;
  }
  for (const std::string& stage : order) std::printf("%s %.1f\n", stage.c_str(), Median(stages[stage]));
  std::printf("total %.1f\n", Median(totals));
  const orvane::imaging::Handle h = orvane::imaging::LoadBitMap(job.SettingsFolder + "Orvane.bmp");
  std::printf("wallpaper %dx%d\n", orvane::imaging::GetGCBitmapWidth(h), orvane::imaging::GetGCBitmapHeight(h));
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
