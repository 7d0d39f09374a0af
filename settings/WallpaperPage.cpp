#include "settings/WallpaperPage.h"

#include "settings/frmKestrin.h"

namespace orvane::settings {

WallpaperPage::WallpaperPage(frmKestrin& form, QWidget* pageWidget) : form_(form), page_(pageWidget) {}

void WallpaperPage::InitWallpaperPage() {}

void WallpaperPage::SetWallpaper() {}

void WallpaperPage::NextWallpaperImage() {}

bool WallpaperPage::optWallPaperOn() const { return false; }

}  // namespace orvane::settings
