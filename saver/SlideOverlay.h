#pragma once
// The slide overlay: a small picture (a logo, say) that an image set lays over
// its slides near the bottom-right corner of the screen. The image's description
// file may name one; otherwise the set's company.ini [LayerSS] list is walked in
// order (or picked from at random when all sets play), on every N-th slide.
#include <string>

#include "imaging/imaging.h"
#include "platform/vbruntime.h"

namespace orvane::saver {

// The window fields the overlay reads and writes; the slide-show window holds
// them for its lifetime and passes them in.
struct SlideOverlayFields {
  std::string LayerFile;       // full path of the slide's overlay; empty = none
  long LayerTranslucency = 0;  // blend level 0..100 (0 opaque)
  int LayerFrequency = 0;      // company.ini [LayerSS] layerFrequency of the set
  int LayerIndex = 1;          // next overlay of the list, 1-based
  long SlideCounter = 0;       // slides prepared since the last company overlay
  bool AllSets = false;        // random instead of list order
  bool IsTitlePage = false;    // the slide being prepared is the title page
};

// Where the current slide's files are. imageSetRoot ends in "/"; setFolder is the
// entry's set folder as listed (may end in "\"); the two files are full paths.
struct LayerSources {
  std::string imageSetRoot;
  std::string setFolder;
  std::string descriptionFile;
  std::string companyFile;
};

// Chooses the overlay of the slide being prepared and sets LayerFile,
// LayerTranslucency and (from company.ini) LayerFrequency. The caller has already
// counted the slide in SlideCounter. A description-file overlay is used on every
// slide and leaves SlideCounter alone; the company list moves LayerIndex and
// SlideCounter even on the title page, which never gets an overlay.
void ChooseLayer(SlideOverlayFields& fields, const LayerSources& sources,
                 platform::RandomSource& random = platform::DefaultRandom());

// Picks this slide's overlay from a comma-separated list of files and levels (one
// level for all, or one per file) and stores its level (before the level rule)
// in level. Returns empty when files is empty or the frequency skips this slide.
// A file without its own level in the list gets 50.
std::string PickLayer(SlideOverlayFields& fields, const std::string& files,
                      const std::string& levels, long& level,
                      platform::RandomSource& random = platform::DefaultRandom());

// Mixes fields.LayerFile into the bitmap (an imaging handle) 20 pixels in from
// the right and bottom edges of a dispWidth x dispHeight screen, moved by the
// slide's pan start offsets. A picture that does not load is left out silently.
// On a screen of another device-pixel ratio the picture and the margin are that
// much larger, so they keep their size on the screen.
void BlendLayer(const SlideOverlayFields& fields, imaging::Handle bitmap, int xOffset,
                int yOffset, int dispWidth, int dispHeight, double pixelRatio = 1.0);

}  // namespace orvane::saver
