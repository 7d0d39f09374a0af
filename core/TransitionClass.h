#pragma once
// Reveals a new picture over the old one on the screen, a little per call.
//
// The slide show gives the object the screen's device context once
// (InitTrasitions), then for every slide the prepared picture's device context
// (AddSourcePic) and a kind (SetTransType), and calls Transition until it returns
// true. Every kind only copies rectangles from the source to the
// destination (kind 11 also within the destination); no pixel is computed here.
// Source point (x, y) of AddSourcePic lands at the destination's top-left corner.
//
// The object also owns one work buffer of screen size that the overlays borrow.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/gdi.h"
#include "imaging/imaging.h"

namespace orvane::core {

// Transition kinds as stored in the settings (index of the transition list).
enum TransitionKind : int {
  kNoTransition = 0,           // cut
  kAllTransitions = 1,         // resolved by the caller to one of 2..10
  kVerticalBlinds = 2,         // column blinds
  kHorizontalBlinds = 3,       // row blinds
  kVerticalSweep = 4,          // rows top to bottom
  kHorizontalSweep = 5,        // columns left to right
  kBoxedIn = 6,                // shrinking frame
  kHorizontalCenterSweep = 7,  // columns from the centre outward
  kVerticalCenterSweep = 8,    // rows from the centre outward
  kBlockOut = 9,               // random 93 x 93 tiles, 11 a call
  kFastBlockOut = 10,          // random 180 x 180 tiles, all at once
  kCenterPush = 11,            // push from the centre; not offered in the settings
};

// A random value in [0, 1).
using RandomSource = std::function<double()>;

// Shuffles a tile order table: 5 passes of (size) swaps of two entries picked
// among all but the last, which therefore never moves. Values the source gives
// outside [0, 1) are held to the valid range.
void ShuffleTileOrder(std::vector<int>& order, const RandomSource& random);

// A rectangle of the destination, in its pixels.
struct StepRect {
  int x, y, width, height;
};

class TransitionClass {
 public:
  // An empty random source means a generator seeded from the clock.
  explicit TransitionClass(RandomSource random = {});
  ~TransitionClass();
  TransitionClass(const TransitionClass&) = delete;
  TransitionClass& operator=(const TransitionClass&) = delete;

  // Only while the object has no work buffer: stores the destination and its
  // size and creates the work buffer of that size. Later calls do nothing.
  void InitTrasitions(imaging::DeviceContext destDC, int width, int height,
                      const std::string& folder);
  // Only once the work buffer exists: the source, its point shown at the
  // destination's top-left, and the size of the area to reveal.
  void AddSourcePic(imaging::DeviceContext srcDC, int width, int height, int x, int y);

  int TransType() const { return transType_; }
  // Meant to be changed only while no kind is under way.
  void SetTransType(int kind) { transType_ = kind; }

  // One step of the current kind. True exactly in the call in which the kind
  // finishes; the next call starts it afresh. Unknown kinds never finish.
  // With leaveCopies the step's copies from the source wait for CopyLeft (the
  // next call makes them first, if nothing did).
  bool Transition(bool leaveCopies = false);
  bool HasLeftCopies() const { return !copies_.empty(); }
  // Makes the copies the last step left. Each one that `alsoInto` takes (given
  // its destination rectangle, unclipped) is written into `also` now and into
  // the destination when that is next used (BitBltRectsLater); returns those,
  // clipped as copied. The others, and all of them when the second grid
  // cannot take them, go into the destination now.
  std::vector<StepRect> CopyLeft(const imaging::AlsoTarget* also = nullptr,
                                 const std::function<bool(const StepRect&)>& alsoInto = {});

  void SetSpeed(int speed) { speed_ = speed; }
  imaging::Handle WorkBuff() const { return workBuffer_; }
  int BlindSize() const { return blindSize_; }
  void SetBlindSize(int size) { blindSize_ = size; }
  // Sets the stop flag; no step reads it.
  void Kill() { stopped_ = true; }
  bool Killed() const { return stopped_; }
  // Suggested pause between steps, set by each kind when it starts.
  int interval() const { return interval_; }
  // The destination rectangles that the last Transition call drew, so the
  // screen can show just those (unclipped; empty when it drew nothing).
  const std::vector<StepRect>& LastStepArea() const { return stepArea_; }

  void SetRandomSource(RandomSource random);

 private:
  struct Strip {
    int first;  // the strip's first column (or row)
    int end;    // one past the strip's last column (or row)
  };

  // Copy notes a rectangle of the source for this step; CopyStep copies the
  // step's rectangles in one walk down the rows.
  void Copy(int x, int y, int width, int height);
  void CopyStep();
  void Finish();
  // Columns (rows) the line kinds (4 to 8, 11) have covered after `step` steps:
  // one a step up to 1024 (768), spread evenly over 1024 (768) steps beyond,
  // so that a kind takes the same number of steps on every larger screen.
  int ColumnsAfter(long long step) const;
  int RowsAfter(long long step) const;

  void StepBlinds(bool columns);
  void StepSweep(bool rows);
  void StepBoxedIn();
  void StepCenterSweep(bool columns);
  void StepBlockOut(int tilesPerSide, int tilesPerCall);
  void StepCenterPush();

  imaging::DeviceContext destDC_ = 0;
  int width_ = 0;
  int height_ = 0;
  std::vector<StepRect> stepArea_;
  std::vector<imaging::BlitRect> copies_;
  int speed_ = 1;
  bool started_ = false;
  int transType_ = kNoTransition;
  imaging::DeviceContext srcDC_ = 0;
  int srcX_ = 0;
  int srcY_ = 0;
  imaging::Handle workBuffer_ = imaging::kNoHandle;
  int blindSize_ = 10;
  std::string folder_;
  bool stopped_ = false;
  int interval_ = 0;
  bool done_ = false;

  RandomSource random_;

  // Per-kind state, kept between calls.
  std::vector<Strip> strips_;
  int blindStep_ = 0;
  int blindLimit_ = 0;  // steps of a strip
  int blindLines_ = 0;  // lines of a whole strip
  long long lineStep_ = 0;  // steps a line kind has taken
  int centreLow_ = 0, centreHigh_ = 0;
  std::vector<int> tileOrder_;
  std::size_t tileNext_ = 0;
  int tileWidth_ = 0, tileHeight_ = 0, tilesPerSide_ = 0;
  int pushA_ = 0, pushB_ = 0, pushCount_ = 0, pushLeftEdge_ = 0, pushCentre_ = 0,
      pushHalf_ = 0;
};

}  // namespace orvane::core
