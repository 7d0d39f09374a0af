#pragma once
// The changer's two tray pictures, drawn here rather than loaded: resource 101
// while the automatic change is active (a coloured landscape in a frame) and
// resource 103 while it is off (the same in greys).
#include <QIcon>
#include <QImage>

namespace orvane::changer {

inline constexpr int kIconActive = 101;
inline constexpr int kIconInactive = 103;

// The icon for a resource number; any number but 101 gives the inactive one.
QIcon LoadTrayIcon(int resource);
// One size of it, for tests and for the icon's own drawing.
QImage DrawTrayImage(int resource, int size);

}  // namespace orvane::changer
