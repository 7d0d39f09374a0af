#include "settings/frmCredits.h"

#include <QEvent>
#include <QKeyEvent>

#include "core/ImageDescription.h"
#include "platform/modal.h"
#include "platform/picturebox.h"
#include "platform/textcodec.h"
#include "settings/ScreenSaverPage.h"
#include "settings/WebLinks.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

namespace {

constexpr const char* kNotAvailableText = "Not Available.";
constexpr const char* kNoPhotoText = "No additional information is available for this image.";
constexpr int kMargin = 12;
constexpr int kTextLeft = 204;
constexpr int kWindowWidth = 520;
constexpr int kThumbnailWidth = 160;
constexpr int kThumbnailHeight = 120;
constexpr int kFrameBorder = 10;

QLabel* MakeLabel(QWidget* parent, const char* text, int x, int y, int width, int height, bool wrap) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);  // a description file's text, shown as it stands
  label->setText(QString::fromUtf8(text));
  label->setGeometry(x, y, width, height);
  label->setWordWrap(wrap);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

frmCredits::frmCredits(QWidget* owner) : QWidget(owner, Qt::Dialog) {
  setWindowTitle(QStringLiteral("Image Credits"));
  setFixedSize(kWindowWidth, 420);

  // The thumbnail in its frame, shown at its own size.
  Picture1 = new QWidget(this);
  Picture1->setGeometry(kMargin, kMargin, kThumbnailWidth + 2 * kFrameBorder, kThumbnailHeight + 2 * kFrameBorder);
  Picture1->setAutoFillBackground(true);
  QPalette frame = Picture1->palette();
  frame.setColor(QPalette::Window, QColor(64, 64, 64));
  Picture1->setPalette(frame);
  picThumbNail.Resize(kThumbnailWidth, kThumbnailHeight);
  auto* view = new platform::PictureBoxView(picThumbNail, Picture1);
  view->setGeometry(kFrameBorder, kFrameBorder, kThumbnailWidth, kThumbnailHeight);

  const int textWidth = kWindowWidth - kTextLeft - kMargin;
  lblImageTitlePrompt = MakeLabel(this, "Image title:", kTextLeft, kMargin, textWidth, 18, false);
  lblImageTitle = MakeLabel(this, kNotAvailableText, kTextLeft, kMargin + 20, textWidth, 52, true);
  lblImageCreditPrompt = MakeLabel(this, "Image Credit:", kTextLeft, 90, textWidth, 18, false);
  lblImageCreditPrompt->adjustSize();
  lblImageInfo = MakeLabel(this, kNotAvailableText, 0, 90, 0, 70, true);
  PlaceCredit();

  lblAdditInfoPrompt = MakeLabel(this, "Additional image information:", kMargin, 172, kWindowWidth - 2 * kMargin, 18, false);
  txtPhoto = new QPlainTextEdit(QString::fromUtf8(kNotAvailableText), this);
  txtPhoto->setGeometry(kMargin, 192, kWindowWidth - 2 * kMargin, 96);
  txtPhoto->setReadOnly(true);
  txtPhoto->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  txtPhoto->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  lblMoreInfoPrompt = new QGroupBox(QStringLiteral("For more information"), this);
  lblMoreInfoPrompt->setGeometry(kMargin, 298, 370, 108);
  lblPrintOrder = MakeLabel(lblMoreInfoPrompt, kNotAvailableText, 10, 24, 220, 76, true);
  cmdWebLink = new QPushButton(lblMoreInfoPrompt);
  cmdWebLink->setGeometry(238, 36, 122, 30);
  cmdWebLink->setVisible(false);

  cmdClose = new QPushButton(QStringLiteral(" &Close"), this);
  cmdClose->setGeometry(kWindowWidth - kMargin - 110, 370, 110, 32);
  cmdClose->setDefault(true);

  connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
  connect(cmdWebLink, &QPushButton::clicked, this, [this] { cmdWebLink_Click(); });
  // The window sees every key first, whichever control has the focus.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

QString frmCredits::Text(const std::string& bytes) const {
  return platform::ToQString(bytes, static_cast<platform::CodePage>(codePage_));
}

void frmCredits::PlaceCredit() {
  const int left = lblImageCreditPrompt->x() + lblImageCreditPrompt->width() + 5;
  lblImageInfo->setGeometry(left, lblImageCreditPrompt->y(), std::max(40, kWindowWidth - kMargin - left), 70);
}

void frmCredits::InitCredits(const std::string& setFolder, const std::string& imagePath,
                             const std::string& imageName, const std::string& language) {
  const std::string nfo = imagePath + ".nfo";
  int languageNumber = 1;
  for (std::size_t i = 0; i < core::kLanguageTable.size(); ++i)
    if (language == core::kLanguageTable[i]) languageNumber = static_cast<int>(i) + 1;
  codePage_ = static_cast<int>(core::IsUtf8DescriptionFile(core::OpenableSetPath(nfo))
                                   ? platform::CodePage::Utf8
                                   : platform::CodePageForLanguage(languageNumber));
  const std::string version = core::ReadCreditsVersion(nfo);
  if (version == "1") ReadVersion1Info(setFolder, imagePath, imageName);
  else if (version == "2") GetVersion2Info(setFolder, imagePath, language);
}

void frmCredits::ImageTitle(const std::string& text) { lblImageTitle->setText(Text(text)); }
void frmCredits::ImageInfo(const std::string& text) { lblImageInfo->setText(Text(text)); }

void frmCredits::ThumbNail(const QImage& picture) {
  picThumbNail.ClearPicture();
  picThumbNail.SetPicture(picture);
}

void frmCredits::ReadVersion1Info(const std::string& setFolder, const std::string& imagePath,
                                  const std::string& imageName) {
  const core::CreditsVersion1 credits = core::ReadCreditsVersion1(imagePath + ".nfo", imageName);
  lblImageTitle->setText(Text(credits.PictureInfo));
  lblImageInfo->setText(Text(credits.ImageNumber));
  const core::PhotoCredits photo = core::ReadPhotoCredits(setFolder);
  lblPrintOrder->setText(Text(photo.PrintOrder));
  txtPhoto->setEnabled(!photo.Photo.empty());
  txtPhoto->setPlainText(photo.Photo.empty() ? QString::fromUtf8(kNoPhotoText) : Text(photo.Photo));
  cmdWebLink->setVisible(false);
}

void frmCredits::GetVersion2Info(const std::string&, const std::string& imagePath,
                                 const std::string& language) {
  const core::CreditsBlock block = core::ReadCreditsVersion2(imagePath + ".nfo", language);
  for (const core::CreditsEntry& entry : block.entries) ApplyVersion2Key(entry.key, entry.value);
}

void frmCredits::ApplyVersion2Key(const std::string& key, const std::string& value) {
  if (key == "imageTitle") {
    lblImageTitle->setText(Text(value));
  } else if (key == "imageTitlePrompt") {
    lblImageTitlePrompt->setText(Text(value));
  } else if (key == "imageCredit") {
    lblImageInfo->setText(Text(value));
  } else if (key == "imageCreditPrompt") {
    lblImageCreditPrompt->setText(Text(value));
    lblImageCreditPrompt->adjustSize();
    PlaceCredit();  // the credit follows its prompt
  } else if (key == "imageInfo") {
    txtPhoto->setPlainText(Text(value));
    txtPhoto->setEnabled(true);
  } else if (key == "imageInfoPrompt") {
    lblAdditInfoPrompt->setText(Text(value));
  } else if (key == "imageMore") {
    lblPrintOrder->setText(Text(value));
  } else if (key == "imageMorePrompt") {
    lblMoreInfoPrompt->setTitle(Text(value));
  } else if (key == "URL") {
    WebLinkURL = value;
  } else if (key == "webButton") {
    cmdWebLink->setText(Text(value));
    cmdWebLink->setVisible(true);
  }
}

void frmCredits::cmdClose_Click() { hide(); }

void frmCredits::cmdWebLink_Click() { OpenSetLink(WebLinkURL); }

void frmCredits::Form_KeyPress(int keyAscii) {
  if (keyAscii == 'C' || keyAscii == 'c') cmdClose_Click();
}

bool frmCredits::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    // Esc closes the window; Enter presses the web button when it has the
    // focus and Close otherwise, as in a dialog with Close as its default.
    const int code = static_cast<QKeyEvent*>(event)->key();
    if (code == Qt::Key_Escape) {
      cmdClose_Click();
      return true;
    }
    if (code == Qt::Key_Return || code == Qt::Key_Enter) {
      if (watched == cmdWebLink && cmdWebLink->isVisible()) cmdWebLink_Click();
      else cmdClose_Click();
      return true;
    }
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (text.size() == 1 && text[0].unicode() < 128 && !(static_cast<QKeyEvent*>(event)->modifiers() & Qt::AltModifier)) {
      const int key = text[0].unicode();
      Form_KeyPress(key);
      if (key == 'C' || key == 'c') return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void frmCredits::ShowImageCredits(QWidget* owner, const std::string& setFolder,
                                  const std::string& imagePath, const std::string& imageName,
                                  const std::string& language, const QImage& thumbnail) {
  frmCredits window(owner);
  window.InitCredits(setFolder, imagePath, imageName, language);
  window.ThumbNail(thumbnail);
  if (owner) window.move(owner->geometry().center() - window.rect().center());  // over the dialog
  platform::ShowModal(window);
}

void ShowWallpaperImageCredits(frmKestrin& form) {
  if (form.WPImagePath.empty()) return;
  const int index = form.lstImages->ListIndex();
  const std::string imageName = index >= 0 ? form.lstImages->List(index) : form.WPImageName;
  const std::string language =
      form.screenSaverPage ? form.screenSaverPage->cmboSSLanguage->Text() : std::string(core::kLanguageTable[0]);
  const QImage thumbnail = form.picThumbNail ? form.picThumbNail->Box().Picture() : QImage();
  frmCredits::ShowImageCredits(&form, form.WPSetFolder, form.WPImagePath, imageName, language, thumbnail);
}

}  // namespace orvane::settings
