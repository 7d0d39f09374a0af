#include "platform/cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace orvane::platform {

namespace {

int displayCount = 0;
bool blanked = false;

void Apply() {
  const bool hide = displayCount < 0;
  if (hide == blanked || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  if (hide) QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
  else QGuiApplication::restoreOverrideCursor();
  blanked = hide;
}

}  // namespace

int ShowCursor(bool show) {
  displayCount += show ? 1 : -1;
  Apply();
  return displayCount;
}

int CursorDisplayCount() { return displayCount; }

}  // namespace orvane::platform
