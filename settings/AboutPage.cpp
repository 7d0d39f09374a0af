#include "settings/AboutPage.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "core/CompanyIni.h"
#include "core/Globals.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Progress.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/folders.h"
#include "platform/screen.h"
#include "settings/ScreenSaverPage.h"
#include "settings/Thumbnails.h"
#include "settings/WebLinks.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

namespace keys = core::settings;
using platform::VbLabel;

namespace {

constexpr const char* kVersionText = "Product Version 2005";
constexpr const char* kJpegNotice = "This software is based in part on the work of the Independent JPEG Group.";
constexpr QSize kLogoBox(220, 90);

// Runs a handler when a label is clicked with the left button.
class ClickFilter : public QObject {
 public:
  ClickFilter(QObject* parent, std::function<void()> handler) : QObject(parent), handler_(std::move(handler)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      handler_();
      return true;
    }
    return false;
  }

 private:
  std::function<void()> handler_;
};

void MakeLink(VbLabel* label, const char* toolTip, std::function<void()> handler) {
  label->setCursor(Qt::PointingHandCursor);
  label->setStyleSheet(QStringLiteral("color: #1a4fb0; text-decoration: underline;"));
  if (toolTip) label->setToolTip(QString::fromUtf8(toolTip));
  label->installEventFilter(new ClickFilter(label, std::move(handler)));
}

QImage OrvaneLogo() {
  QImage logo(kLogoBox, QImage::Format_RGB32);
  logo.setDotsPerMeterX(3780);
  logo.setDotsPerMeterY(3780);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, logo.height());
  sky.setColorAt(0, QColor(24, 32, 72));
  sky.setColorAt(1, QColor(92, 84, 150));
  painter.fillRect(logo.rect(), sky);
  painter.setBrush(QColor(240, 232, 200));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(logo.width() - 40, 34), 18, 18);
  painter.setPen(QColor(250, 250, 250));
  QFont font(QStringLiteral("Times New Roman"));
  font.setPixelSize(38);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(logo.rect().adjusted(14, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Orvane"));
  return logo;
}

}  // namespace

AboutPage::AboutPage(frmKestrin& form, QWidget* pageWidget) : form_(form), page_(pageWidget) {
  auto* grid = new QGridLayout(page_);
  lblAboutSets = new VbLabel("Image &set:", page_);
  lblAboutSets->SetBuddy(form_.cmboAboutSets);
  form_.cmboAboutSets->setToolTip(QStringLiteral("Click here to get information about a particular image set."));
  auto* top = new QHBoxLayout;
  top->addWidget(lblAboutSets);
  top->addWidget(form_.cmboAboutSets, 1);
  grid->addLayout(top, 0, 0, 1, 2);

  // The publisher.
  auto* publisher = new QVBoxLayout;
  imgLogo = new QLabel(page_);
  imgLogo->setFixedSize(kLogoBox);
  imgLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picOrvaneLogo = OrvaneLogo();
  lblCompanyName = new VbLabel("Company Name", page_);
  lblAddress = new VbLabel("Address", page_);
  lblCityStateZip = new VbLabel("City, state zip", page_);
  lblPhone = new VbLabel("Phone", page_);
  lblWebAddress = new VbLabel("Web Address", page_);
  lblSupport = new VbLabel("support URL", page_);
  lblPhoneSupport = new VbLabel("", page_);
  publisher->addWidget(imgLogo);
  for (QWidget* w : std::initializer_list<QWidget*>{lblCompanyName, lblAddress, lblCityStateZip, lblPhone})
    publisher->addWidget(w);
  publisher->addSpacing(6);
  publisher->addWidget(lblWebAddress, 0, Qt::AlignLeft);
  publisher->addWidget(lblSupport, 0, Qt::AlignLeft);
  publisher->addWidget(lblPhoneSupport);
  publisher->addStretch(1);
  grid->addLayout(publisher, 1, 0);
  MakeLink(lblWebAddress, "Click here to go this URL.", [this] { lblWebAddress_Click(); });
  MakeLink(lblSupport, nullptr, [this] { lblSupport_Click(); });

  // The set's pictures in their monitor frame, and the web button.
  auto* pictures = new QVBoxLayout;
  Picture3 = new QWidget(page_);
  Picture3->setFixedSize(184, 150);
  Picture3->setAutoFillBackground(true);
  QPalette bezel = Picture3->palette();
  bezel.setColor(QPalette::Window, QColor(58, 60, 66));
  Picture3->setPalette(bezel);
  picAboutThumbnail = new platform::VbPictureBox(Picture3);
  picAboutThumbnail->setGeometry(12, 12, 160, 120);
  cmdVisitUs = new platform::VbCommandButton("Visit us on the Web", page_);
  cmdVisitUs->setToolTip(QStringLiteral("Click here to launch your browser and go to our web site."));
  cmdVisitUs->setVisible(false);
  cmdVisitUs->Click = [this] { cmdVisitUs_Click(); };
  pictures->addWidget(Picture3, 0, Qt::AlignHCenter);
  pictures->addWidget(cmdVisitUs, 0, Qt::AlignHCenter);
  pictures->addStretch(1);
  grid->addLayout(pictures, 1, 1);

  lblMoreInfo = new VbLabel("Intro", page_);
  lblMoreInfo->setWordWrap(true);
  grid->addWidget(lblMoreInfo, 2, 0, 1, 2);

  Frame3 = new platform::VbFrame("", page_);
  Label3 = new VbLabel(kJpegNotice, Frame3);
  Label3->setWordWrap(true);
  (new QVBoxLayout(Frame3))->addWidget(Label3);
  lblVersion = new VbLabel(kVersionText, page_);
  lblBitDepth = new VbLabel("", page_);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblVersion);
  bottom->addStretch(1);
  bottom->addWidget(lblBitDepth);
  grid->addWidget(Frame3, 3, 0, 1, 2);
  grid->addLayout(bottom, 4, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(1, 1);

  form_.picAboutThumbnail = picAboutThumbnail;
}

void AboutPage::cmboAboutSets_Click() {
  core::clsImageList* thumbnails =
      form_.screenSaverPage ? &form_.screenSaverPage->thumbnails().AboutThumbnails : nullptr;
  if (thumbnails) thumbnails->Clear();
  const auto set = form_.Sets.GetSet(form_.cmboAboutSets->Text());
  AboutSetFolder = set ? set->FolderPath(form_.ImageSetRoot) : std::string();
  if (set && thumbnails)
    for (int i = 1; i <= set->IncludedCount(); ++i) thumbnails->Add(set->SetDirectory() + set->IncludedImage(i).FileName());
  InitAboutPage();
  SetWebButton();
  if (form_.isVisible()) form_.tmrThumbnailChanger_Timer();
}

void AboutPage::ShowLogo(const std::string& file, const char* location) {
  core::ErrorLocation = location;
  core::ErrorFile = file;
  const imaging::Handle picture = imaging::LoadWorkBuff(core::OpenableSetPath(file));
  if (picture == imaging::kNoHandle) {
    imgLogo->clear();
    const int error = imaging::LastError();
    core::ReportLoadPictureError(error != imaging::kNoError ? error : imaging::kInvalidPicture);
    return;
  }
  imgLogo->setPixmap(QPixmap::fromImage(imaging::WorkBuffImage(picture).copy()));
  imaging::DestroyWorkBuff(picture);
}

void AboutPage::InitAboutPage() {
  const std::string& user = form_.SettingsFile;
  const core::AboutTexts company =
      AboutSetFolder.empty() ? core::AboutTexts{} : core::ReadAboutTexts(core::CompanyFile(AboutSetFolder));
  auto userValue = [&user](const keys::IniKey& name) { return core::GetIniString(name.section, name.key, "", user); };

  // [About] aboutTab names the publisher's logo; a value that names no file (the
  // settings file's template holds a tab caption there) is no picture to load.
  const std::string userTab = userValue(keys::kAbout_AboutTab);
  if (!company.aboutTab.empty() && core::FileExists(AboutSetFolder + company.aboutTab)) {
    ShowLogo(AboutSetFolder + company.aboutTab, "frmKestri.InitAboutPage:2");
  } else if (company.aboutTab.empty() && !userTab.empty() && core::FileExists(form_.ImageSetRoot + userTab)) {
    ShowLogo(form_.ImageSetRoot + userTab, "frmKestri.InitAboutPage:1");
  } else {
    imgLogo->setPixmap(QPixmap::fromImage(picOrvaneLogo));
  }

  lblBitDepth->SetCaption(std::to_string(platform::ScreenBitsPerPixel()) + " Bit Color");
  lblMoreInfo->SetCaption(company.Introduction);
  lblWebAddress->SetCaption(company.WebSite);
  lblWebAddress->adjustSize();
  lblCompanyName->SetCaption(company.CompanyName);
  lblAddress->SetCaption(company.StreetAddress);
  lblCityStateZip->SetCaption(company.CityStateZip);
  lblPhone->SetCaption(company.Phone);

  // Each set's own support address, or none: never the one of the set before.
  SupportURL.clear();
  std::string support = "Technical Support Help File";
  if (!core::FileExists(form_.ImageSetRoot + kHelpFileName)) {
    const std::string url = company.supportURL.empty() ? userValue(keys::kAbout_SupportURL) : company.supportURL;
    SupportURL = url;
    support = url.empty() ? "" : "Online Support: " + url;
  }
  lblSupport->SetCaption(support);
  if (!support.empty()) lblSupport->adjustSize();

  const std::string phone = company.supportPhone.empty() ? userValue(keys::kAbout_SupportPhone) : company.supportPhone;
  lblPhoneSupport->SetCaption(phone.empty() ? "" : "Call-back support: " + phone);
}

void AboutPage::SetWebButton() {
  core::WebButton button;
  if (!AboutSetFolder.empty()) button = core::ReadWebButton(core::CompanyFile(AboutSetFolder), form_.SettingsFile);
  if (button.caption.empty()) {
    cmdVisitUs->setVisible(false);
    return;
  }
  cmdVisitUs->SetCaption(button.caption);
  cmdVisitUs->setVisible(true);
  cmdVisitUs->SetEnabled(true);
  WebButtonURL = button.url;
}

void AboutPage::cmdVisitUs_Click() { OpenSetLink(WebButtonURL); }

void AboutPage::lblWebAddress_Click() { OpenSetLink(lblWebAddress->Caption()); }

void AboutPage::lblSupport_Click() { OpenSupportLink(form_.ImageSetRoot, SupportURL); }

}  // namespace orvane::settings
