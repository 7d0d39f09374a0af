// Cost of one transition step for every kind on full-HD and 4K screens, against
// one memcpy of the frame. Each benchmark times its steps one by one and reports
// the median and the worst step, in nanoseconds and as multiples of the memcpy.
#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "core/TransitionClass.h"
#include "imaging/imaging.h"

namespace {

namespace im = orvane::imaging;
using orvane::core::TransitionClass;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// Median time of copying one XRGB frame with memcpy, measured once per size.
double FrameMemcpyNs(int width, int height) {
  static std::map<std::pair<int, int>, double> cache;
  const auto key = std::make_pair(width, height);
  if (auto found = cache.find(key); found != cache.end()) return found->second;
  const std::size_t bytes = std::size_t(width) * height * 4;
  std::vector<char> from(bytes, 1), to(bytes, 0);
  std::vector<double> times;
  for (int i = 0; i < 31; ++i) {
    const auto start = Clock::now();
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
    times.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
  }
  return cache[key] = Median(times);
}

void BM_FrameMemcpy(benchmark::State& state) {
  const int width = int(state.range(0)), height = int(state.range(1));
  const std::size_t bytes = std::size_t(width) * height * 4;
  std::vector<char> from(bytes, 1), to(bytes, 0);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

// range(0) = kind, range(1) x range(2) = screen size.
void BM_TransitionStep(benchmark::State& state) {
  const int kind = int(state.range(0));
  const int width = int(state.range(1)), height = int(state.range(2));
  const im::Handle screen = im::CreateWorkBuff(width, height, 0, 0);
  const im::Handle slide = im::CreateWorkBuff(width, height, 0, 0);
  im::WorkBuffImage(slide).fill(0xFF336699u);

  TransitionClass transitions;
  transitions.InitTrasitions(im::GetWorkBuffHDC(screen), width, height, "/");
  transitions.SetBlindSize(int(width / 10.0 + 0.5));
  transitions.AddSourcePic(im::GetWorkBuffHDC(slide), width, height, 0, 0);
  transitions.SetTransType(kind);

  std::vector<double> steps;
  steps.reserve(std::size_t(state.max_iterations));
  for (auto _ : state) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(transitions.Transition());
    const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    state.SetIterationTime(ns * 1e-9);
    steps.push_back(ns);
  }
  const double memcpyNs = FrameMemcpyNs(width, height);
  const double median = Median(steps);
  const double worst = steps.empty() ? 0.0 : *std::max_element(steps.begin(), steps.end());
  state.counters["median_ns"] = median;
  state.counters["worst_ns"] = worst;
  state.counters["median_x_memcpy"] = median / memcpyNs;
  state.counters["worst_x_memcpy"] = worst / memcpyNs;

  im::DestroyWorkBuff(slide);
  im::DestroyWorkBuff(screen);
}

// A fixed number of steps per kind: a whole effect where it is short, else
// enough steps to see the steady cost (kind 11 moves the whole frame each step).
std::int64_t StepsFor(int kind) {
  switch (kind) {
    case orvane::core::kNoTransition:
    case orvane::core::kFastBlockOut: return 20;  // one step is the whole effect
    case orvane::core::kBlockOut: return 787 * 2;
    case orvane::core::kVerticalBlinds:
    case orvane::core::kHorizontalBlinds: return 2 * 103;  // two whole effects
    case orvane::core::kCenterPush: return 200;
    default: return 2000;
  }
}

bool RegisterAll() {
  const std::pair<int, int> sizes[] = {{1920, 1080}, {3840, 2160}};
  for (auto [width, height] : sizes) {
    benchmark::RegisterBenchmark("BM_FrameMemcpy", BM_FrameMemcpy)
        ->Args({width, height})
        ->Unit(benchmark::kMicrosecond);
    for (int kind = 0; kind <= 11; ++kind) {
      if (kind == orvane::core::kAllTransitions) continue;
      benchmark::RegisterBenchmark("BM_TransitionStep", BM_TransitionStep)
          ->ArgNames({"kind", "w", "h"})
          ->Args({kind, width, height})
          ->Iterations(StepsFor(kind))
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
    }
  }
  return true;
}

// Registered before the benchmark library's main runs.
const bool registered = RegisterAll();

}  // namespace
