#pragma once
// The wallpaper builder: decodes the chosen picture, crops a panorama to the
// screen's shape, fits it to the screen (halftone stretch, a smoothing pass when
// enlarged), draws the calendar and the set's layer on it, stores it as
// "Orvane.bmp" in the settings folder, hands it to the desktop and records the
// wallpaper page's settings. The wallpaper page fills the inputs from its
// controls; tests fill them directly.
#include <QDate>
#include <functional>
#include <string>

#include "platform/vbruntime.h"
#include "settings/WriteFailure.h"

namespace orvane::settings {

// What the render reads.
struct WallpaperJob {
  std::string SettingsFolder;  // ends in "/"
  std::string SettingsFile;    // ScreenSaver.ini (WallpaperLastLayer)
  std::string WPImagePath;     // program folder & set folder & catalogue name, no extension
  std::string WPSetFolder;     // program folder & set folder, ends in a separator
  bool WallpaperOn = true;     // optWallPaperOn
  bool Fit2Screen = true;      // chkFit2Screen
  int PreviewWidth = 1024;     // the shape of panoramic crops when the screen's size is not known
  int PreviewHeight = 768;
  int ScreenWidth = 0;         // the fitted size
  int ScreenHeight = 0;
  int BitsPerPixel = 24;       // below 24 the picture is reduced to 256 colours
  bool WPCalendarOn = false;
  int WPCalendarPosition = 1;  // 1..9
  int WPCalendarSize = 20;     // percent
  QDate CalendarDate;          // the day shown; invalid means today
  // Called as each stage of the render begins ("decode", "load", "stretch",
  // "filter", "overlays", "save", "reduce", "done"), for timing; may be empty.
  std::function<void(const char* stage)> Stage;
};

// The page's settings as they are stored (step "keys" of SetWallpaper).
struct WallpaperKeys {
  bool WPAutoChange = false;   // a "/wall" change: only the set and image are stored
  bool Random = false;         // "Randomize From All Image Sets" is chosen
  std::string CurrentSet;      // cmboSets text
  std::string CurrentImage;    // selected lstImages entry
  int Stretch = 1;             // chkFit2Screen value
  bool WallpaperOn = true;
  long Change = 7;             // cmboAutoChange item data
  bool CalendarOn = false;
  long CalendarPosition = 1;   // item data of the position combo
  long CalendarSize = 20;      // item data of the size combo
  bool SoundOn = false;
};

// Called with each stage's text for the progress window's status line.
using StatusProc = std::function<void(const std::string&)>;

// ---- Size arithmetic ----
struct CropRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const CropRect&) const = default;
};

// The piece of a width x height picture that a panorama shows still, with the
// shape shapeWidth x shapeHeight (the screen's): for "LeftToRight"/"RightToLeft"
// the whole height, origin pixels in from the left, for "TopToBottom"/
// "BottomToTop" the whole width, origin pixels down from the top (directions
// compared exactly); any other direction gives the whole picture. A panorama too
// short for the shape gives its whole length and the centred piece across it
// that keeps the shape. Sizes round halves to even; the origin is clamped so the
// piece lies in the picture.
CropRect PanoramaCrop(int width, int height, const std::string& direction, long origin,
                      int shapeWidth, int shapeHeight);

// The centred piece of a width x height picture with the target's proportions
// (scaling it to cover the target and cropping the overflow evenly). A picture
// within 2 % of the target's proportions is taken whole and stretched.
CropRect ZoomCrop(int width, int height, int targetWidth, int targetHeight);

// Keeps a rectangle inside a width x height picture: the size first, then the origin.
CropRect ClampCrop(CropRect rect, int width, int height);

// ---- The render ----
struct WallpaperRender {
  bool ok = false;
  std::string failedStep;  // "Decompressing", "Loading sswpprep" or "Creating work buff"
  std::string reason;      // why, when a write failed on a full disk: the file and the system's words
  std::string target;      // the file (or "(none)") to hand to the desktop
};
// Renders "Orvane.bmp" (or decides "(none)" when the wallpaper is off). Nothing
// of an earlier render is taken for this one: the decoded file is removed before
// decoding and every step is checked. A failed render removes its work files
// ("sswpprep.bmp", "wp.jpg"); the wallpaper before it stays.
WallpaperRender RenderWallpaper(const WallpaperJob& job, const StatusProc& status = {});

// ---- SetWallpaper as a whole ----
enum class WallpaperResult {
  KeysOnly,  // nothing was due: only the keys were written
  Applied,   // rendered (or cleared) and handed to the desktop, keys written
  Failed,    // nothing set, nothing written
};
struct WallpaperOutcome {
  WallpaperResult result = WallpaperResult::KeysOnly;
  std::string failedStep;
  std::string reason;  // as WallpaperRender's
  WriteFailures notSaved;  // the desktop setting or the keys could not be written
};
// What the failed writes of SetWallpaper are called in the report.
inline constexpr const char* kWallpaperSettingsText = "The wallpaper settings";
inline constexpr const char* kDesktopWallpaperText = "The desktop wallpaper";
// Sets the progress totals, renders when reset is due, installs the result and
// writes the keys (LastChanged only after a render). The caller reports a
// failure and what was not saved.
WallpaperOutcome BuildAndSetWallpaper(const WallpaperJob& job, const WallpaperKeys& keys,
                                      bool imageReset, const StatusProc& status = {});

// Writes the page's keys; with imageReset also LastChanged = now in the fixed
// English form ("Dec 10, 2026 3:04:05 PM"). False when the file could not be
// written (then nothing of it was).
bool WriteWallpaperKeys(const std::string& settingsFile, const WallpaperKeys& keys,
                        bool imageReset, const platform::DateTime& now);

// The failure report of a render: two message boxes ("An Error occured while
// setting the wall paper." titled "Error", then the step name, and the reason
// when there is one, under the program's title) when someone is at the dialog;
// otherwise one line on standard error and in the log file, so a
// changer-started run never waits. The line names the reason, else ErrorFile.
void ReportWallpaperFailure(const std::string& failedStep, bool interactive, const std::string& reason = "");
// The log file of unattended failures: MachineStateFolder() + "orvane.log".
std::string WallpaperLogFile();

}  // namespace orvane::settings
