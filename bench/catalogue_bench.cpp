// The catalogue work of a start: importing a large set's images.ini into the
// catalogue file (one batch write per set), reading every image key of a large
// catalogue back (through the parsed copy of the file) and searching a program
// folder tree for set files. bench/run-catalogue.sh times whole processes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/FindFiles.h"
#include "core/ImportSetDescriptions.h"
#include "core/PPS.h"

namespace fs = std::filesystem;

namespace {

fs::path BenchFolder(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("orvane-bench-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void ImportLargeSet(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const fs::path root = BenchFolder("import");
  fs::create_directories(root / "program/Big");
  {
    std::ofstream out(root / "program/Big/images.ini", std::ios::binary);
    out << "[SetDescriptions]\r\nBig=Big\\\r\n[Big]\r\n";
    for (int i = 0; i < images; ++i) out << "image" << i << "=file" << i << "\r\n";
  }
  const std::string settings = (root / "settings").string() + "/";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(settings);
    fs::create_directories(settings);
    state.ResumeTiming();
    std::string folder = "Big\\";
    orvane::core::ImportSetDescriptions(settings, (root / "program").string() + "/", folder);
  }
  fs::remove_all(root);
}
BENCHMARK(ImportLargeSet)->Arg(100)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

void ReadEveryImageKey(benchmark::State& state) {
  const int images = static_cast<int>(state.range(0));
  const fs::path root = BenchFolder("read");
  const std::string catalogue = (root / "Orvane.ini").string();
  {
    std::ofstream out(catalogue, std::ios::binary);
    out << "[SetDescriptions]\r\nBig=Big/\r\n[Big]\r\n";
    for (int i = 0; i < images; ++i) out << "image" << i << "=file" << i << "\r\n";
  }
  for (auto _ : state) {
    for (int i = 0; i < images; ++i) {
      benchmark::DoNotOptimize(orvane::core::GetIniString("Big", "image" + std::to_string(i), "", catalogue));
    }
  }
  state.SetItemsProcessed(state.iterations() * images);
  fs::remove_all(root);
}
BENCHMARK(ReadEveryImageKey)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

void SearchProgramFolder(benchmark::State& state) {
  const int sets = static_cast<int>(state.range(0));
  const fs::path root = BenchFolder("search");
  for (int s = 0; s < sets; ++s) {
    const fs::path set = root / ("Set" + std::to_string(s));
    fs::create_directories(set);
    std::ofstream(set / "images.ini") << "[SetDescriptions]\r\n";
    for (int i = 0; i < 50; ++i) std::ofstream(set / ("image" + std::to_string(i) + ".jpg"));
  }
  for (auto _ : state) {
    orvane::core::FindFiles finder([] {});
    finder.StartPath(root.string());
    finder.Pattern("images.ini");
    std::vector<std::string> files;
    benchmark::DoNotOptimize(finder.Find(files));
  }
  fs::remove_all(root);
}
BENCHMARK(SearchProgramFolder)->Arg(20)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
