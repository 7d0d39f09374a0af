#pragma once
// The two overlays of the wallpaper: the month calendar on a darkened
// rectangle, and a set's layer picture (a logo or frame) blended 20 pixels in
// from the bottom-right corner. They draw into the work buffer the builder has
// fitted, before it is saved.
#include <string>

#include "imaging/imaging.h"
#include "settings/WallpaperBuilder.h"

namespace orvane::settings {

// Paints the month of job.CalendarDate (today when invalid) at the chosen
// position and size over a darkened rectangle. The calendar is drawn on a
// surface whose background is the colour key RGB(1, 1, 1), written as
// "cal.bmp" in the settings folder and copied keyed. Does nothing (and writes
// no "cal.bmp") when the calendar is off.
void DispCalendar(imaging::Handle buffer, int width, int height, const WallpaperJob& job);

// Blends the layer named by the picture's ".nfo" [LayerWP], or else the next
// one of the set's company.ini [LayerWP] list (rotating through
// WallpaperLastLayer). A layer that does not load is left out silently.
void DisplayWPLayer(imaging::Handle buffer, int width, int height, const WallpaperJob& job);

// The next layer of a company's comma-separated list and its stored level (one
// level for all or one per name; a name without its own level in a list gets
// 50). Advances [PrefsWP] WallpaperLastLayer in settingsFile. Empty when layers
// is empty.
std::string NextWPLayer(const std::string& layers, const std::string& translucencies, long& level,
                        const std::string& settingsFile);

}  // namespace orvane::settings
