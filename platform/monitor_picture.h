#pragma once
// The wallpaper of a screen made of several monitors, as a plain X session
// shows it on the root window: every monitor gets the picture by itself. The
// wallpaper builder makes the picture for the primary monitor; a picture of
// that monitor's size (fitted to it) is fitted to each other monitor the same
// way, keeping its proportions and centred on black where they differ; any
// other picture is centred at its own size on each monitor. What no monitor
// shows stays black.
#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

namespace orvane::platform {

// monitors: the monitors' places on the screen, primary: the index of the
// primary one. No monitor at all counts as one monitor of the screen's size.
QImage MonitorsPicture(const QImage& picture, QSize screen, const std::vector<QRect>& monitors,
                       std::size_t primary);

}  // namespace orvane::platform
