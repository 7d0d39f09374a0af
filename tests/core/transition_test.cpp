#include "core/TransitionClass.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"

namespace orvane::core {
namespace {

namespace im = orvane::imaging;

constexpr QRgb kOld = 0xFF102030u;

// A work buffer owned by the test.
struct Buffer {
  Buffer(int width, int height) : handle(im::CreateWorkBuff(width, height, 0, 0)) {}
  ~Buffer() { im::DestroyWorkBuff(handle); }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  im::DeviceContext dc() const { return im::GetWorkBuffHDC(handle); }
  QImage image() const { return im::WorkBuffImage(handle); }
  im::Handle handle;
};

// Every source pixel a colour of its own.
QRgb SourcePixel(int x, int y) { return 0xFF000000u | (std::uint32_t(x) << 12) | std::uint32_t(y); }

void FillSource(const Buffer& source) {
  QImage image = source.image();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, SourcePixel(x, y));
}

void FillOld(const Buffer& destination) { destination.image().fill(kOld); }

// The destination after a plain copy of the source from (sx, sy).
bool ShowsSource(const Buffer& destination, int sx, int sy) {
  const QImage image = destination.image();
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (row[x] != SourcePixel(sx + x, sy + y)) return false;
  }
  return true;
}

// Columns (or rows) that show the source along their whole length.
std::set<int> RevealedColumns(const Buffer& destination, int sx, int sy) {
  const QImage image = destination.image();
  std::set<int> revealed;
  for (int x = 0; x < image.width(); ++x) {
    bool all = true;
    for (int y = 0; y < image.height() && all; ++y)
      all = image.pixel(x, y) == SourcePixel(sx + x, sy + y);
    if (all) revealed.insert(x);
  }
  return revealed;
}

std::function<double()> SeededSource(unsigned seed) {
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine] { return double((*engine)()) / 4294967296.0; };
}

// Calls Transition until it returns true; the number of calls, or -1 past limit.
int RunToEnd(TransitionClass& transitions, int limit = 100000) {
  for (int call = 1; call <= limit; ++call)
    if (transitions.Transition()) return call;
  return -1;
}

struct Screen {
  Screen(int width, int height, int sourceWidth, int sourceHeight, int sx, int sy)
      : destination(width, height), source(sourceWidth, sourceHeight),
        transitions(SeededSource(7)) {
    FillOld(destination);
    FillSource(source);
    transitions.InitTrasitions(destination.dc(), width, height, "/unused/");
    transitions.AddSourcePic(source.dc(), width, height, sx, sy);
  }
  Buffer destination;
  Buffer source;
  TransitionClass transitions;
};

struct KindCase {
  int kind;
  int calls;  // call that returns true at 37 x 23 with BlindSize 10
};

TEST(TransitionClass, EveryKindEndsWithTheSourceAndRestartsAfresh) {
  // 37 x 23: odd sizes make the centre sweeps round 18.5 to 18 and 11.5 to 12.
  const KindCase kinds[] = {
      {kNoTransition, 1},      {kVerticalBlinds, 11},        {kHorizontalBlinds, 11},
      {kVerticalSweep, 24},    {kHorizontalSweep, 38},       {kBoxedIn, 13},
      {kHorizontalCenterSweep, 20}, {kVerticalCenterSweep, 14}, {kBlockOut, 787},
      {kFastBlockOut, 1},
  };
  struct Placement {
    int sourceWidth, sourceHeight, sx, sy;
  };
  const Placement placements[] = {{37, 23, 0, 0}, {50, 40, 7, 5}};
  for (const Placement& at : placements) {
    for (const KindCase& c : kinds) {
      SCOPED_TRACE("kind " + std::to_string(c.kind) + " source point " + std::to_string(at.sx));
      Screen screen(37, 23, at.sourceWidth, at.sourceHeight, at.sx, at.sy);
      screen.transitions.SetTransType(c.kind);
      EXPECT_EQ(RunToEnd(screen.transitions), c.calls);
      EXPECT_TRUE(ShowsSource(screen.destination, at.sx, at.sy));
      // A further call sets the kind up again from the start.
      FillOld(screen.destination);
      EXPECT_EQ(RunToEnd(screen.transitions), c.calls);
      EXPECT_TRUE(ShowsSource(screen.destination, at.sx, at.sy));
    }
  }
}

TEST(TransitionClass, EveryKindTakesAsManyStepsOnEveryLargerScreen) {
  // A step is at most every 13 ms, so a kind that takes as many steps lasts as
  // long in seconds. Up to 1024 x 768 the kinds advance a line a step; larger
  // screens (device pixels: 3840 x 2160 is also 1920 x 1080 at ratio 2, 2880 x
  // 1620 the same at 1.5) take the steps 1024 x 768 takes, blinds in strips of
  // a tenth of the width as the show sets them.
  const std::pair<int, int> steps[] = {
      {kNoTransition, 1},   {kVerticalBlinds, 103},       {kHorizontalBlinds, 103},
      {kVerticalSweep, 769}, {kHorizontalSweep, 1025},    {kBoxedIn, 386},
      {kHorizontalCenterSweep, 514}, {kVerticalCenterSweep, 386}, {kBlockOut, 787},
      {kFastBlockOut, 1},   {kCenterPush, 512}};
  const std::pair<int, int> sizes[] = {{1024, 768}, {1366, 768}, {1920, 1080},
                                       {2880, 1620}, {3840, 2160}};
  for (auto [width, height] : sizes) {
    Screen screen(width, height, width, height, 0, 0);
    screen.transitions.SetBlindSize(int(std::lround(width / 10.0)));
    for (auto [kind, calls] : steps) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) + " kind " +
                   std::to_string(kind));
      FillOld(screen.destination);
      screen.transitions.SetTransType(kind);
      EXPECT_EQ(RunToEnd(screen.transitions), calls);
      EXPECT_TRUE(ShowsSource(screen.destination, 0, 0));
    }
  }
}

TEST(TransitionClass, EveryStepCopiesOnlyPixelsItChanges) {
  // Above the reference size in both directions, so that steps advance several
  // lines. Old pixels differ from each other and from the source's, so a
  // pixel copied again without changing shows as step area left unchanged.
  constexpr int kWidth = 1300, kHeight = 800;
  for (int kind = kNoTransition; kind <= kCenterPush; ++kind) {
    if (kind == kAllTransitions) continue;
    SCOPED_TRACE("kind " + std::to_string(kind));
    Screen screen(kWidth, kHeight, kWidth, kHeight, 0, 0);
    screen.transitions.SetBlindSize(130);
    QImage image = screen.destination.image();
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) image.setPixel(x, y, SourcePixel(x, y) | 0x800000u);
    // What the destination showed before the step, kept up to date in the
    // step's area only.
    QImage before = image.copy();
    screen.transitions.SetTransType(kind);
    bool done = false;
    long long copied = 0, changed = 0;
    for (int call = 0; call < 5000 && !done; ++call) {
      done = screen.transitions.Transition();
      QRegion area;
      for (const StepRect& r : screen.transitions.LastStepArea())
        area += QRect(r.x, r.y, r.width, r.height) & QRect(0, 0, kWidth, kHeight);
      for (const QRect& r : area) {
        copied += qint64(r.width()) * r.height();
        for (int y = r.top(); y <= r.bottom(); ++y) {
          auto* now = reinterpret_cast<const QRgb*>(image.constScanLine(y));
          auto* was = reinterpret_cast<QRgb*>(before.scanLine(y));
          for (int x = r.left(); x <= r.right(); ++x) {
            changed += now[x] != was[x];
            was[x] = now[x];
          }
        }
      }
      ASSERT_EQ(copied, changed) << "call " << call;
    }
    EXPECT_TRUE(done);
  }
}

TEST(TransitionClass, BlockOutTilesCoverLargerScreens) {
  // 200 x 150: tiles of 3 x 2 pixels, the grid running past the right and bottom.
  for (int kind : {int(kBlockOut), int(kFastBlockOut)}) {
    Screen screen(200, 150, 210, 160, 7, 5);
    screen.transitions.SetTransType(kind);
    EXPECT_EQ(RunToEnd(screen.transitions), kind == kBlockOut ? 787 : 1);
    EXPECT_TRUE(ShowsSource(screen.destination, 7, 5)) << "kind " << kind;
  }
}

TEST(TransitionClass, ColumnBlindsNarrowStripStopsEarly) {
  // 1024 columns in strips of 102: ten full strips and one of 4 columns.
  Screen screen(1024, 2, 1024, 2, 0, 0);
  screen.transitions.SetBlindSize(102);
  screen.transitions.SetTransType(kVerticalBlinds);
  const auto expected = [](int steps) {
    std::set<int> columns;
    for (int strip = 0; strip < 10; ++strip)
      for (int c = 0; c < steps; ++c) columns.insert(strip * 102 + c);
    for (int c = 0; c < std::min(steps, 4); ++c) columns.insert(1020 + c);
    return columns;
  };
  for (int call = 1; call <= 102; ++call) {
    ASSERT_FALSE(screen.transitions.Transition()) << "call " << call;
    if (call == 1 || call == 4 || call == 5 || call == 50) {
      EXPECT_EQ(RevealedColumns(screen.destination, 0, 0), expected(call)) << "call " << call;
    }
  }
  EXPECT_TRUE(ShowsSource(screen.destination, 0, 0));
  EXPECT_TRUE(screen.transitions.Transition());  // call 103 draws nothing and finishes
}

TEST(TransitionClass, BlindSizeBelowOneIsTakenAsOne) {
  for (int size : {0, -5}) {
    for (int kind : {int(kVerticalBlinds), int(kHorizontalBlinds)}) {
      Screen screen(9, 6, 9, 6, 0, 0);
      screen.transitions.SetBlindSize(size);
      screen.transitions.SetTransType(kind);
      EXPECT_EQ(RunToEnd(screen.transitions), 2) << "size " << size << " kind " << kind;
      EXPECT_TRUE(ShowsSource(screen.destination, 0, 0));
    }
  }
}

// Kind 11 pushes both halves outward; columns are named by where their pixels
// came from: 'o' + n the old destination column n, 's' + n source column n.
std::vector<std::string> ColumnNames(const Buffer& destination, int sx, int sy) {
  const QImage image = destination.image();
  std::vector<std::string> names;
  for (int x = 0; x < image.width(); ++x) {
    std::string name = "?";
    for (int n = 0; n < image.width() && name == "?"; ++n) {
      bool old = true, src = true;
      for (int y = 0; y < image.height(); ++y) {
        old = old && image.pixel(x, y) == (0xFF000000u | std::uint32_t(n + 1) << 16);
        src = src && image.pixel(x, y) == SourcePixel(sx + n, sy + y);
      }
      if (old) name = "o" + std::to_string(n);
      if (src) name = "s" + std::to_string(n);
    }
    names.push_back(name);
  }
  return names;
}

TEST(TransitionClass, CenterPushStepByStep) {
  using Names = std::vector<std::string>;
  struct PushCase {
    const char* name;
    int width, sourceWidth, sx, sy;
    std::vector<Names> afterCall;  // the last entry is the call that returns true
  };
  const PushCase cases[] = {
      {"even width", 8, 8, 0, 0,
       {{"o1", "o2", "o3", "s0", "s7", "o4", "o5", "o6"},
        {"o2", "o3", "s0", "s1", "s6", "s7", "o4", "o5"},
        {"o3", "s0", "s1", "s2", "s5", "s6", "s7", "o4"},
        {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7"}}},
      {"even width, source point inside a larger source", 8, 12, 2, 1,
       {{"o1", "o2", "o3", "s0", "s7", "o4", "o5", "o6"},
        {"o2", "o3", "s0", "s1", "s6", "s7", "o4", "o5"},
        {"o3", "s0", "s1", "s2", "s5", "s6", "s7", "o4"},
        {"s0", "s1", "s2", "s3", "s4", "s5", "s6", "s7"}}},
      // An odd width rounds its centre 4.5 to 4: the middle source column is
      // never shown and the last column keeps an old one.
      {"odd width", 9, 9, 0, 0,
       {{"o1", "o2", "o3", "s0", "s8", "o4", "o5", "o6", "o7"},
        {"o2", "o3", "s0", "s1", "s7", "s8", "o4", "o5", "o6"},
        {"o3", "s0", "s1", "s2", "s6", "s7", "s8", "o4", "o5"},
        {"s0", "s1", "s2", "s3", "s5", "s6", "s7", "s8", "o4"}}},
      // The count starts at 0 here; the push still ends.
      {"one column", 1, 1, 0, 0, {{"s0"}}},
  };
  for (const PushCase& c : cases) {
    SCOPED_TRACE(c.name);
    Screen screen(c.width, 3, c.sourceWidth, 4, c.sx, c.sy);
    QImage old = screen.destination.image();
    for (int x = 0; x < c.width; ++x)
      for (int y = 0; y < 3; ++y) old.setPixel(x, y, 0xFF000000u | std::uint32_t(x + 1) << 16);
    screen.transitions.SetTransType(kCenterPush);
    for (std::size_t call = 0; call < c.afterCall.size(); ++call) {
      const bool last = call + 1 == c.afterCall.size();
      EXPECT_EQ(screen.transitions.Transition(), last) << "call " << call + 1;
      EXPECT_EQ(ColumnNames(screen.destination, c.sx, c.sy), c.afterCall[call])
          << "call " << call + 1;
    }
  }
}

TEST(TransitionClass, UnknownKindsNeverFinishAndDrawNothing) {
  for (int kind : {int(kAllTransitions), 12, -1}) {
    Screen screen(12, 8, 12, 8, 0, 0);
    screen.transitions.SetTransType(kind);
    EXPECT_EQ(RunToEnd(screen.transitions, 2000), -1) << "kind " << kind;
    EXPECT_TRUE(RevealedColumns(screen.destination, 0, 0).empty());
    EXPECT_EQ(screen.transitions.interval(), 0);
  }
}

TEST(TransitionClass, StepAreaHoldsEveryPixelTheStepChanged) {
  // The show repaints only these rectangles; a pixel changed outside them would
  // stay stale on the screen.
  for (int kind = kNoTransition; kind <= kCenterPush; ++kind) {
    if (kind == 1) continue;  // "all kinds" is resolved by the caller
    SCOPED_TRACE("kind " + std::to_string(kind));
    Screen screen(37, 23, 50, 40, 7, 5);
    screen.transitions.SetTransType(kind);
    bool done = false;
    for (int call = 0; call < 2000 && !done; ++call) {
      const QImage before = screen.destination.image().copy();
      done = screen.transitions.Transition();
      const QImage after = screen.destination.image();
      QRegion area;
      for (const StepRect& r : screen.transitions.LastStepArea())
        area += QRect(r.x, r.y, r.width, r.height);
      for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
          if (after.pixel(x, y) == before.pixel(x, y)) continue;
          ASSERT_TRUE(area.contains(QPoint(x, y))) << "call " << call << " at " << x << "," << y;
        }
      }
    }
    EXPECT_TRUE(done);
  }
}

TEST(TransitionClass, KindChangedWhileUnderWayStaysInBoundsAndEnds) {
  // The new kind goes on with the state it has (the started flag is kept); it
  // must neither read outside its tables nor run forever, and its next run is whole.
  const std::pair<int, int> switches[] = {
      {kVerticalBlinds, kBlockOut},    {kBlockOut, kFastBlockOut}, {kVerticalSweep, kCenterPush},
      {kBoxedIn, kHorizontalBlinds},   {kCenterPush, kHorizontalCenterSweep},
      {kHorizontalSweep, kBoxedIn},
  };
  for (auto [from, to] : switches) {
    SCOPED_TRACE("from " + std::to_string(from) + " to " + std::to_string(to));
    Screen screen(40, 30, 40, 30, 0, 0);
    screen.transitions.SetTransType(from);
    for (int call = 0; call < 3; ++call) ASSERT_FALSE(screen.transitions.Transition());
    screen.transitions.SetTransType(to);
    EXPECT_GT(RunToEnd(screen.transitions, 5000), 0);
    EXPECT_GT(RunToEnd(screen.transitions, 5000), 0);
    if (to != kCenterPush) {
      EXPECT_TRUE(ShowsSource(screen.destination, 0, 0));
    }
  }
}

TEST(TransitionClass, IntervalIsSetByEachKindOnItsStart) {
  const std::pair<int, int> expected[] = {  // kind, interval with Speed 3
      {kVerticalBlinds, 15}, {kHorizontalBlinds, 15}, {kVerticalSweep, 3},
      {kHorizontalSweep, 3}, {kBoxedIn, 3},           {kHorizontalCenterSweep, 3},
      {kVerticalCenterSweep, 3}, {kCenterPush, 3},    {kBlockOut, 1},
      {kFastBlockOut, 1}};
  Screen screen(12, 8, 12, 8, 0, 0);
  screen.transitions.SetSpeed(3);
  for (auto [kind, interval] : expected) {
    screen.transitions.SetTransType(kind);
    ASSERT_GT(RunToEnd(screen.transitions), 0);
    EXPECT_EQ(screen.transitions.interval(), interval) << "kind " << kind;
  }
  screen.transitions.SetTransType(kNoTransition);  // the cut leaves it
  screen.transitions.Transition();
  EXPECT_EQ(screen.transitions.interval(), 1);
}

TEST(TransitionClass, DefaultsAndTheWorkBufferLifetime) {
  Buffer destination(16, 9), source(16, 9);
  FillOld(destination);
  FillSource(source);
  im::Handle buffer;
  {
    TransitionClass transitions;
    EXPECT_EQ(transitions.WorkBuff(), im::kNoHandle);
    EXPECT_EQ(transitions.BlindSize(), 10);
    EXPECT_EQ(transitions.TransType(), kNoTransition);
    EXPECT_FALSE(transitions.Killed());

    // Without a work buffer the source is not taken.
    transitions.AddSourcePic(source.dc(), 16, 9, 0, 0);
    transitions.InitTrasitions(destination.dc(), 16, 9, "/folder/");
    buffer = transitions.WorkBuff();
    ASSERT_GT(buffer, im::kNoHandle);
    EXPECT_EQ(im::GetGCBitmapWidth(buffer), 16);
    EXPECT_EQ(im::GetGCBitmapHeight(buffer), 9);
    EXPECT_TRUE(transitions.Transition());
    EXPECT_TRUE(RevealedColumns(destination, 0, 0).empty());

    // A second InitTrasitions changes nothing.
    Buffer other(4, 4);
    transitions.InitTrasitions(other.dc(), 4, 4, "/other/");
    EXPECT_EQ(transitions.WorkBuff(), buffer);
    transitions.AddSourcePic(source.dc(), 16, 9, 0, 0);
    EXPECT_TRUE(transitions.Transition());
    EXPECT_TRUE(ShowsSource(destination, 0, 0));

    transitions.Kill();
    EXPECT_TRUE(transitions.Killed());
  }
  EXPECT_EQ(im::GetGCBitmapWidth(buffer), 0);  // destroyed with the object
}

TEST(TransitionClass, InjectedRandomSourceRepeatsTheTileOrder) {
  Screen first(60, 40, 60, 40, 0, 0), second(60, 40, 60, 40, 0, 0), third(60, 40, 60, 40, 0, 0);
  first.transitions.SetRandomSource(SeededSource(11));
  second.transitions.SetRandomSource(SeededSource(11));
  third.transitions.SetRandomSource(SeededSource(12));
  for (Screen* screen : {&first, &second, &third}) {
    screen->transitions.SetTransType(kBlockOut);
    for (int call = 0; call < 300; ++call) screen->transitions.Transition();
  }
  EXPECT_EQ(first.destination.image(), second.destination.image());
  EXPECT_NE(first.destination.image(), third.destination.image());
}

TEST(ShuffleTileOrder, LastEntryNeverMovesWhateverTheSource) {
  const double justBelowOne = std::nextafter(1.0, 0.0);
  struct SourceCase {
    const char* name;
    std::function<double()> source;
  };
  int flip = 0;
  const SourceCase sources[] = {
      {"seeded", SeededSource(3)},
      {"just below one", [=] { return justBelowOne; }},
      {"alternating ends", [&flip] { return (flip++ % 2) ? std::nextafter(1.0, 0.0) : 0.0; }},
      {"out of range", [&flip] { return (flip++ % 2) ? 1.5 : -0.25; }},
      {"not a number", [] { return std::numeric_limits<double>::quiet_NaN(); }},
  };
  for (const SourceCase& c : sources) {
    SCOPED_TRACE(c.name);
    for (int size : {1, 2, 93 * 93}) {
      std::vector<int> order(size);
      std::iota(order.begin(), order.end(), 0);
      ShuffleTileOrder(order, c.source);
      EXPECT_EQ(order.back(), size - 1);
      std::vector<int> sorted = order;
      std::sort(sorted.begin(), sorted.end());
      for (int i = 0; i < size; ++i) ASSERT_EQ(sorted[i], i);  // still a permutation
    }
  }
  std::vector<int> order(100);
  std::iota(order.begin(), order.end(), 0);
  ShuffleTileOrder(order, SeededSource(5));
  EXPECT_FALSE(std::is_sorted(order.begin(), order.end()));
}

TEST(ShuffleTileOrder, PicksIndicesAsFloorOfRandomTimesUpperIndex) {
  // Three entries, upper index 2: 0.4 picks 0 and 0.9 picks 1, so every one of
  // the 5 x 3 swaps exchanges the first two entries (an odd number of times).
  int call = 0;
  std::vector<int> order{0, 1, 2};
  ShuffleTileOrder(order, [&call] { return (call++ % 2) ? 0.9 : 0.4; });
  EXPECT_EQ(order, (std::vector<int>{1, 0, 2}));
  EXPECT_EQ(call, 30);
}

}  // namespace
}  // namespace orvane::core
