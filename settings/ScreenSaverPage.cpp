#include "settings/ScreenSaverPage.h"

#include "settings/frmKestrin.h"

namespace orvane::settings {

ScreenSaverPage::ScreenSaverPage(frmKestrin& form, QWidget* pageWidget) : form_(form), page_(pageWidget) {}

void ScreenSaverPage::InitScreenSaverPage() {}

void ScreenSaverPage::SetScreenSaverInfo() {}

void ScreenSaverPage::cmboSS_SetsToUse_Click() {}

}  // namespace orvane::settings
