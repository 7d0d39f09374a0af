// Times the settings dialog's catalogue save ("Edit Sets" applied) on the
// catalogue of the current settings and program folders: the dialog is loaded
// as at a start (catalogue built, lists filled), then SaveSetsInfo runs RUNS
// times. Prints the median and the slowest save in milliseconds.
//   orvane-dialog-save [RUNS]
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "settings/frmKestrin.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  orvane::settings::frmKestrin form;
  form.EndProgram = [] { std::exit(2); };
  form.Load();
  if (form.Sets.IncludedCollection().Count() == 0) return 1;
  auto& set = *form.Sets.IncludedCollection().Item(1);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    // Each save changes one mark, as a user's apply does.
    if (i % 2 == 0 && set.IncludedCount() > 0) {
      const auto image = set.IncludedImage(1);
      set.ExcludeImage(image.ImageName(), image.FileName());
    } else if (set.ExcludedCount() > 0) {
      const auto image = set.ExcludedImage(1);
      set.IncludeImage(image.ImageName(), image.FileName());
    }
    const auto start = std::chrono::steady_clock::now();
    if (!form.SaveSetsInfo()) {
      std::fprintf(stderr, "the catalogue could not be written\n");
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  std::printf("save %.1f %.1f\n", times[times.size() / 2], times.back());
  return 0;
}
