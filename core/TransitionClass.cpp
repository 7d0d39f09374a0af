#include "core/TransitionClass.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <cmath>
#include <numeric>
#include <random>
#include <utility>

#include "imaging/gdi.h"

namespace orvane::core {

namespace im = orvane::imaging;

namespace {

// Nearest integer, halves to the even neighbour (the conversion of a fraction
// into a whole number everywhere in the system).
int Nearest(double value) {
  double whole = std::floor(value);
  const double fraction = value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<int>(whole);
}

// floor(random x upper), an index in 0 .. upper - 1 (0 when upper is 0).
std::size_t PickIndex(double random, std::size_t upper) {
  if (upper == 0) return 0;
  const double scaled = std::floor(random * static_cast<double>(upper));
  // A value just below 1 can round up to upper itself; NaN and out-of-range
  // values are held inside the table as well.
  if (!(scaled >= 0.0)) return 0;
  if (scaled >= static_cast<double>(upper)) return upper - 1;
  return static_cast<std::size_t>(scaled);
}

RandomSource ClockSeededSource() {
  std::random_device device;
  const auto ticks = static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  std::seed_seq seed{device(), static_cast<unsigned>(ticks), static_cast<unsigned>(ticks >> 32)};
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine]() { return static_cast<double>((*engine)()) / 4294967296.0; };
}

constexpr int kBlockOutTiles = 93;
constexpr int kBlockOutTilesPerCall = 11;
constexpr int kFastBlockOutTiles = 180;
constexpr int kShufflePasses = 5;

// The screens the sets were made for. Up to this size the line kinds advance a
// pixel row or column a step; along a larger extent they advance
// extent / reference lines a step (spread evenly), so that every screen takes
// the reference's number of steps and a kind lasts as long in seconds.
constexpr int kReferenceWidth = 1024;
constexpr int kReferenceHeight = 768;

// Lines covered after `step` steps along `extent` lines.
int LinesAfter(long long step, int extent, int reference) {
  if (extent <= reference) return int(std::min<long long>(step, 1LL << 30));
  return int(std::min<long long>(step * extent / reference, 1LL << 30));
}

}  // namespace

void ShuffleTileOrder(std::vector<int>& order, const RandomSource& random) {
  if (order.empty()) return;
  const std::size_t upper = order.size() - 1;
  for (int pass = 0; pass < kShufflePasses; ++pass) {
    for (std::size_t swap = 0; swap <= upper; ++swap) {
      const std::size_t a = PickIndex(random(), upper);
      const std::size_t b = PickIndex(random(), upper);
      std::swap(order[a], order[b]);
    }
  }
}

TransitionClass::TransitionClass(RandomSource random) { SetRandomSource(std::move(random)); }

TransitionClass::~TransitionClass() {
  if (workBuffer_ > im::kNoHandle) im::DestroyWorkBuff(workBuffer_);
  workBuffer_ = im::kNoHandle;
}

void TransitionClass::SetRandomSource(RandomSource random) {
  random_ = random ? std::move(random) : ClockSeededSource();
}

void TransitionClass::InitTrasitions(im::DeviceContext destDC, int width, int height,
                                     const std::string& folder) {
  if (workBuffer_ != im::kNoHandle) return;
  destDC_ = destDC;
  width_ = width;
  height_ = height;
  folder_ = folder;
  // A scratch buffer: the overlays copy the screen into each part of it before
  // they read that part, so it is not blackened first (and its memory is not
  // touched until a part is used).
  workBuffer_ = im::CreateWorkBuffBlackOutside(width, height, 0, 0, width, height);
}

void TransitionClass::AddSourcePic(im::DeviceContext srcDC, int width, int height, int x,
                                   int y) {
  if (workBuffer_ == im::kNoHandle) return;
  srcDC_ = srcDC;
  srcX_ = x;
  srcY_ = y;
  width_ = width;
  height_ = height;
}

bool TransitionClass::Transition(bool leaveCopies) {
  CopyStep();  // an earlier step's, if nobody made them
  stepArea_.clear();
  switch (transType_) {
    case kNoTransition:
      Copy(0, 0, width_, height_);
      Finish();
      break;
    case kVerticalBlinds: StepBlinds(true); break;
    case kHorizontalBlinds: StepBlinds(false); break;
    case kVerticalSweep: StepSweep(true); break;
    case kHorizontalSweep: StepSweep(false); break;
    case kBoxedIn: StepBoxedIn(); break;
    case kHorizontalCenterSweep: StepCenterSweep(true); break;
    case kVerticalCenterSweep: StepCenterSweep(false); break;
    case kBlockOut: StepBlockOut(kBlockOutTiles, kBlockOutTilesPerCall); break;
    case kFastBlockOut: StepBlockOut(kFastBlockOutTiles, 0); break;
    case kCenterPush: StepCenterPush(); break;
    default:
      return false;  // no step; such a kind never finishes
  }
  if (!leaveCopies) CopyStep();
  if (!done_) return false;
  done_ = false;
  return true;
}

void TransitionClass::Copy(int x, int y, int width, int height) {
  stepArea_.push_back({x, y, width, height});
  copies_.push_back({x, y, width, height});
}

void TransitionClass::CopyStep() {
  if (!copies_.empty())
    im::BitBltRects(destDC_, copies_.data(), copies_.size(), srcDC_, srcX_, srcY_);
  copies_.clear();
}

std::vector<StepRect> TransitionClass::CopyLeft(
    const im::AlsoTarget* also, const std::function<bool(const StepRect&)>& alsoInto) {
  std::vector<StepRect> written;
  if (also && alsoInto && !copies_.empty()) {
    std::vector<im::BlitRect> both, single;
    for (const im::BlitRect& r : copies_)
      (alsoInto({r.x, r.y, r.width, r.height}) ? both : single).push_back(r);
    std::vector<im::BlitRect> copied;
    // Source and destination are distinct pictures here, so copies that
    // overlap give the same pixels in either group and order.
    if (!both.empty() && im::BitBltRectsLater(destDC_, both.data(), both.size(), srcDC_, srcX_,
                                              srcY_, *also, &copied)) {
      for (const im::BlitRect& r : copied) written.push_back({r.x, r.y, r.width, r.height});
      copies_ = std::move(single);
    }
  }
  CopyStep();
  return written;
}

int TransitionClass::ColumnsAfter(long long step) const {
  return LinesAfter(step, width_, kReferenceWidth);
}

int TransitionClass::RowsAfter(long long step) const {
  return LinesAfter(step, height_, kReferenceHeight);
}

void TransitionClass::Finish() {
  started_ = false;
  done_ = true;
}

// Strips of BlindSize columns (rows), plus a narrower last one for the rest;
// every step reveals the next column (row) of each strip, or the next few on a
// screen wider than the reference: a strip takes as many steps as a strip of
// the same share of the width there.
void TransitionClass::StepBlinds(bool columns) {
  if (!started_) {
    // A size below 1 would divide by zero; it is taken as 1.
    const int size = std::max(1, blindSize_);
    const int extent = std::max(0, columns ? width_ : height_);
    const int whole = extent / size;
    strips_.clear();
    for (int k = 0; k < whole; ++k) strips_.push_back({k * size, (k + 1) * size});
    if (extent % size != 0) strips_.push_back({whole * size, extent});
    blindLines_ = size;
    blindLimit_ = width_ > kReferenceWidth
                      ? std::max(1, int(std::int64_t(size) * kReferenceWidth / width_))
                      : size;
    blindStep_ = 1;
    interval_ = speed_ * 5;
    started_ = true;
  }
  if (blindStep_ > blindLimit_) {
    Finish();
    return;
  }
  const auto reached = [&](int step) {
    return int(std::int64_t(step) * blindLines_ / std::max(1, blindLimit_));
  };
  const int from = reached(blindStep_ - 1), to = reached(blindStep_);
  for (const Strip& strip : strips_) {
    const int first = strip.first + from;
    const int count = std::min(strip.end, strip.first + to) - first;
    if (count <= 0) continue;
    if (columns) {
      Copy(first, 0, count, height_);
    } else {
      Copy(0, first, width_, count);
    }
  }
  ++blindStep_;
}

// Rows (columns) from the top (left); the call after the last finishes.
void TransitionClass::StepSweep(bool rows) {
  if (!started_) {
    lineStep_ = 0;
    interval_ = speed_;
    started_ = true;
  }
  const int extent = rows ? height_ : width_;
  const int next = rows ? RowsAfter(lineStep_) : ColumnsAfter(lineStep_);
  if (next >= extent) {
    Finish();
    return;
  }
  ++lineStep_;
  const int lines = std::min(rows ? RowsAfter(lineStep_) : ColumnsAfter(lineStep_), extent) - next;
  if (rows) {
    Copy(0, next, width_, lines);
  } else {
    Copy(next, 0, lines, height_);
  }
}

// A frame per call, from the edges inward. Its right and bottom sides start
// one line outside the screen, so they follow the left and top by a step.
void TransitionClass::StepBoxedIn() {
  if (!started_) {
    lineStep_ = 0;
    interval_ = speed_;
    started_ = true;
  }
  const int left = ColumnsAfter(lineStep_), top = RowsAfter(lineStep_);
  const int right = width_ - left, bottom = height_ - top;
  if (left > right || top > bottom) {
    Finish();
    return;
  }
  ++lineStep_;
  // Bands of the columns and rows this step advances (one of each up to the
  // reference size), each only as long as the frame still open.
  const int columns = ColumnsAfter(lineStep_) - left, rows = RowsAfter(lineStep_) - top;
  const int across = right - left + 1, down = bottom - top + 1;
  Copy(left, top, columns, down);
  Copy(left, bottom - rows + 1, across, rows);
  Copy(left, top, across, rows);
  Copy(right - columns + 1, top, columns, down);
}

// Columns (rows) each side of the centre per call, outward.
void TransitionClass::StepCenterSweep(bool columns) {
  const int extent = columns ? width_ : height_;
  if (!started_) {
    lineStep_ = 0;
    centreLow_ = Nearest(extent / 2.0);
    centreHigh_ = centreLow_ + 1;
    interval_ = speed_;
    started_ = true;
  }
  const auto after = [&](long long step) { return columns ? ColumnsAfter(step) : RowsAfter(step); };
  const int step = std::max(1, after(lineStep_ + 1) - after(lineStep_));
  ++lineStep_;
  const auto lines = [&](int first, int count) {
    if (columns) {
      Copy(first, 0, count, height_);
    } else {
      Copy(0, first, width_, count);
    }
  };
  bool drew = false;
  if (centreLow_ >= 0) {
    const int count = std::min(step, centreLow_ + 1);
    lines(centreLow_ - count + 1, count);
    centreLow_ -= count;
    drew = true;
  }
  if (centreHigh_ < extent) {
    const int count = std::min(step, extent - centreHigh_);
    lines(centreHigh_, count);
    centreHigh_ += count;
    drew = true;
  }
  if (!drew) Finish();
}

// Tiles of a tilesPerSide x tilesPerSide grid in shuffled order, at most
// tilesPerCall a call (0: every tile in the first call).
void TransitionClass::StepBlockOut(int tilesPerSide, int tilesPerCall) {
  if (!started_) {
    tilesPerSide_ = tilesPerSide;
    tileWidth_ = std::max(0, width_) / (tilesPerSide - 1) + 1;
    tileHeight_ = std::max(0, height_) / (tilesPerSide - 1) + 1;
    interval_ = 1;
    started_ = true;
    if (tilesPerCall == 0) {
      // Every tile goes in this one call and nothing is seen between them, so
      // neither their order nor their seams can show: the grid's area in one
      // copy is the same picture, without jumping across the frame per tile.
      Copy(0, 0, tilesPerSide_ * tileWidth_, tilesPerSide_ * tileHeight_);
      Finish();
      return;
    }
    tileOrder_.resize(static_cast<std::size_t>(tilesPerSide) * tilesPerSide);
    std::iota(tileOrder_.begin(), tileOrder_.end(), 0);
    ShuffleTileOrder(tileOrder_, random_);
    tileNext_ = 0;
  }
  for (int drawn = 0; tilesPerCall == 0 || drawn < tilesPerCall; ++drawn) {
    if (tileNext_ >= tileOrder_.size()) {
      Finish();
      return;
    }
    const int tile = tileOrder_[tileNext_++];
    const int row = tile / tilesPerSide_;
    const int column = tile - tilesPerSide_ * row;
    Copy(column * tileWidth_, row * tileHeight_, tileWidth_, tileHeight_);
  }
}

// Both halves of the destination move one column (more on a screen wider than
// the reference) outward from the centre each call, and the source's next outer columns enter at the centre.
void TransitionClass::StepCenterPush() {
  if (!started_) {
    const int centre = Nearest(width_ / 2.0);
    pushA_ = 0;
    pushB_ = width_ - 1;
    pushCount_ = centre;
    pushLeftEdge_ = centre - 1;
    pushCentre_ = centre;
    pushHalf_ = std::max(0, width_) / 2;
    lineStep_ = 0;
    interval_ = speed_;
    started_ = true;
  }
  // n columns a call: each half moves n outward and the source's next n outer
  // columns enter at the centre, as n single-column calls would leave them.
  const int n =
      std::max(1, std::min(ColumnsAfter(lineStep_ + 1) - ColumnsAfter(lineStep_), pushCount_));
  ++lineStep_;
  im::BitBlt(destDC_, -n, 0, pushHalf_, height_, destDC_, 0, 0, im::kSrcCopy);
  im::BitBlt(destDC_, pushLeftEdge_ - n + 1, 0, n, height_, srcDC_, srcX_ + pushA_, srcY_,
             im::kSrcCopy);
  im::BitBlt(destDC_, pushCentre_ + n, 0, pushHalf_, height_, destDC_, pushCentre_, 0,
             im::kSrcCopy);
  im::BitBlt(destDC_, pushCentre_, 0, n, height_, srcDC_, srcX_ + pushB_ - n + 1, srcY_,
             im::kSrcCopy);
  stepArea_.push_back({0, 0, width_, height_});  // both halves moved
  pushA_ += n;
  pushB_ -= n;
  pushCount_ -= n;
  // A width of 0 or 1 starts the count at 0; it still ends after one call.
  if (pushCount_ <= 0) Finish();
}

}  // namespace orvane::core
