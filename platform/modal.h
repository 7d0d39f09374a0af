#pragma once
// Modal Show and Unload of windows in the run time's manner.
//
// ShowModal shows a window and runs a local event loop until the window is
// unloaded, hidden or destroyed. Unload hides the window, marks it unloaded (the
// window's own long loops test IsUnloaded to stop) and ends the local loop that
// showed it. The window object itself is not destroyed here: it lives until the
// code that showed it has returned and its owner lets it go.
class QWidget;

namespace orvane::platform {

// Returns when the window has been unloaded or hidden. A window that was
// unloaded before is loaded again by the show (its unloaded mark is cleared).
void ShowModal(QWidget& window);

void Unload(QWidget& window);

// True after Unload until the window is shown again.
bool IsUnloaded(const QWidget& window);

// True while ShowModal of this window is running.
bool IsShownModally(const QWidget& window);

}  // namespace orvane::platform
