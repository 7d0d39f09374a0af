#include "settings/AboutPage.h"

#include "settings/frmKestrin.h"

namespace orvane::settings {

AboutPage::AboutPage(frmKestrin& form, QWidget* pageWidget) : form_(form), page_(pageWidget) {}

void AboutPage::InitAboutPage() {}

void AboutPage::cmboAboutSets_Click() {}

}  // namespace orvane::settings
