#pragma once
// The mouse pointer's display count: ShowCursor(false) lowers it, ShowCursor(true)
// raises it, and the pointer is hidden while the count is below 0. The count
// starts at 0 (a mouse is present). Hiding sets a blank override cursor on the
// application; reaching 0 again removes it.
namespace orvane::platform {

// Returns the new display count.
int ShowCursor(bool show);

// The current display count, for tests and diagnostics.
int CursorDisplayCount();

}  // namespace orvane::platform
