// The image credits window: both description-file versions, the web button's
// link, and closing by "c" or "C".
#include "settings/frmCredits.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/launcher.h"
#include "platform/modal.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::settings::frmCredits;
using orvane::test::WriteFile;

namespace {

class Credits : public testing::Test {
 protected:
  void SetUp() override {
    set = orvane::test::MakeTempDir("Sea");
    orvane::platform::SetLaunchHandler([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override { orvane::platform::SetLaunchHandler({}); }
  std::string Folder() const { return set.string() + "/"; }
  std::string Image() const { return set.string() + "/wave"; }
  void Nfo(const std::string& text) { WriteFile(set / "wave.nfo", text); }
  static std::string S(const QString& text) { return text.toStdString(); }

  fs::path set;
  std::vector<std::string> opened;
};

TEST_F(Credits, Version1ReadsTheImageSectionAndPhotoNfo) {
  Nfo("[info]\r\nversion=1\r\n[Wave]\r\nPictureInfo=Big wave\r\nImageNumber=No. 17\r\n");
  WriteFile(set / "photo.nfo", "[Info]\r\nPrintOrder=Order print 5\r\nPhoto=Taken at dawn\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "Wave", "English");
  EXPECT_EQ(S(w.lblImageTitle->text()), "Big wave");
  EXPECT_EQ(S(w.lblImageInfo->text()), "No. 17");
  EXPECT_EQ(S(w.lblPrintOrder->text()), "Order print 5");
  EXPECT_TRUE(w.txtPhoto->isEnabled());
  EXPECT_EQ(S(w.txtPhoto->toPlainText()), "Taken at dawn");
  EXPECT_TRUE(w.cmdWebLink->isHidden());
}

TEST_F(Credits, NoDescriptionFileShowsNotAvailable) {
  frmCredits w;
  w.InitCredits(Folder(), Image(), "Wave", "English");
  EXPECT_EQ(S(w.lblImageTitle->text()), "Not Available");
  EXPECT_EQ(S(w.lblImageInfo->text()), "Not Available");
  EXPECT_EQ(S(w.lblPrintOrder->text()), "Not Available");
  EXPECT_FALSE(w.txtPhoto->isEnabled());
  EXPECT_EQ(S(w.txtPhoto->toPlainText()), "No additional information is available for this image.");
  EXPECT_TRUE(w.cmdWebLink->isHidden());
}

TEST_F(Credits, Version2ReadsTheLanguageBlockWithContinuations) {
  Nfo("[info]\r\nversion=2\r\n"
      "[English]\r\n"
      "imageTitle=Wave at \r\nPoint Reyes\r\n\r\n"
      "imageCredit=Photo: A. Smith\r\n"
      "imageInfo=Line one \r\nline two\r\n\r\nline three\r\n\r\n"
      "imageInfoPrompt=About it:\r\n"
      "imageMore=More = here\r\n"
      "imageMorePrompt=See also\r\n"
      "URL=https://example.com/wave?a=1&b=2\r\n"
      "webButton=Visit\r\n"
      "[French]\r\nimageTitle=Vague\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "", "English");
  // A continuation line is appended as it stands, followed by a line break.
  EXPECT_EQ(S(w.lblImageTitle->text()), "Wave at Point Reyes\r\n");
  EXPECT_EQ(S(w.lblImageInfo->text()), "Photo: A. Smith");
  EXPECT_EQ(S(w.txtPhoto->toPlainText()), "Line one line two\nline three\n");
  EXPECT_TRUE(w.txtPhoto->isEnabled());
  EXPECT_EQ(S(w.lblAdditInfoPrompt->text()), "About it:");
  EXPECT_EQ(S(w.lblPrintOrder->text()), "More = here");  // everything after the first "="
  EXPECT_EQ(S(w.lblMoreInfoPrompt->title()), "See also");
  EXPECT_FALSE(w.cmdWebLink->isHidden());
  EXPECT_EQ(S(w.cmdWebLink->text()), "Visit");
  w.cmdWebLink->click();
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.com/wave?a=1&b=2"});
}

TEST_F(Credits, TextsAreShownAsTheyStand) {
  Nfo("[info]\r\nversion=2\r\n[English]\r\nimageTitle=<b>Sea</b> & Sky\r\nimageCredit=A &Smith\r\n"
      "imageMore=https://x.example/?a=1&b=2\r\nimageMorePrompt=See & buy\r\n[French]\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "", "English");
  for (QLabel* label : {w.lblImageTitlePrompt, w.lblImageTitle, w.lblImageCreditPrompt, w.lblImageInfo,
                        w.lblAdditInfoPrompt, w.lblPrintOrder})
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << S(label->text());
  EXPECT_EQ(S(w.lblImageTitle->text()), "<b>Sea</b> & Sky");
  EXPECT_EQ(S(w.lblImageInfo->text()), "A &Smith");
  EXPECT_EQ(S(w.lblPrintOrder->text()), "https://x.example/?a=1&b=2");
}

TEST_F(Credits, Version2WithoutTheLanguagesBlockKeepsTheDesignTexts) {
  Nfo("[info]\r\nversion=2\r\n[English]\r\nimageTitle=Wave\r\nwebButton=Visit\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "", "French");
  EXPECT_EQ(S(w.lblImageTitle->text()), "Not Available.");
  EXPECT_EQ(S(w.lblImageInfo->text()), "Not Available.");
  EXPECT_EQ(S(w.txtPhoto->toPlainText()), "Not Available.");
  EXPECT_TRUE(w.cmdWebLink->isHidden());
}

TEST_F(Credits, TheCreditFollowsItsPromptsNewWidth) {
  Nfo("[info]\r\nversion=2\r\n[English]\r\nimageCredit=A. Smith\r\n"
      "imageCreditPrompt=Photograph taken and kindly lent by:\r\n");
  frmCredits w;
  const int before = w.lblImageInfo->x();
  w.InitCredits(Folder(), Image(), "", "English");
  EXPECT_EQ(w.lblImageInfo->x(), w.lblImageCreditPrompt->x() + w.lblImageCreditPrompt->width() + 5);
  EXPECT_GT(w.lblImageInfo->x(), before);
  EXPECT_EQ(S(w.lblImageInfo->text()), "A. Smith");
}

TEST_F(Credits, WebLinksOtherThanWebAddressesOpenNothing) {
  for (const std::string& url : std::vector<std::string>{"file:///etc/passwd", "http://x/`reboot`", "", Folder() + "wave.nfo"}) {
    Nfo("[info]\r\nversion=2\r\n[English]\r\nURL=" + url + "\r\nwebButton=Visit\r\n");
    frmCredits w;
    w.InitCredits(Folder(), Image(), "", "English");
    w.cmdWebLink->click();
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(Credits, AWebLinkWrittenWithoutASchemeOpensAsHttp) {
  Nfo("[info]\r\nversion=2\r\n[English]\r\nURL=www.example.com/wave\r\nwebButton=Visit\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "", "English");
  w.cmdWebLink->click();
  EXPECT_EQ(opened, std::vector<std::string>{"http://www.example.com/wave"});
}

TEST_F(Credits, UpperOrLowerCaseCClosesTheWindow) {
  for (const QString& key : {QStringLiteral("c"), QStringLiteral("C")}) {
    frmCredits w;
    w.show();
    ASSERT_TRUE(w.isVisible());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_C, key == "C" ? Qt::ShiftModifier : Qt::NoModifier, key);
    QApplication::sendEvent(w.txtPhoto, &press);  // whichever control has the focus
    EXPECT_FALSE(w.isVisible()) << key.toStdString();
  }
  frmCredits w;
  w.show();
  QKeyEvent other(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  QApplication::sendEvent(&w, &other);
  EXPECT_TRUE(w.isVisible());
}

TEST_F(Credits, EscOrEnterClosesTheWindowAsTheCloseButtonDoes) {
  for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    frmCredits w;
    w.show();
    ASSERT_TRUE(w.isVisible());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w.txtPhoto, &press);  // the focus is in the text box
    EXPECT_FALSE(w.isVisible()) << key;
  }
  // Enter on the web button opens the link and leaves the window open.
  Nfo("[info]\r\nversion=2\r\n[English]\r\nURL=https://sea.example/\r\nwebButton=Visit\r\n");
  frmCredits w;
  w.InitCredits(Folder(), Image(), "wave", "English");
  w.show();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w.cmdWebLink, &enter);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(opened, (std::vector<std::string>{"https://sea.example/"}));
}

}  // namespace

namespace {

// Every label's text fits its box at the width it has.
void ExpectNothingClipped(const QWidget& window) {
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (label->isHidden() || label->text().isEmpty()) continue;
    const int needed = label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
    EXPECT_LE(needed, label->height()) << label->text().toStdString();
    if (!label->wordWrap()) {
      EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
    }
  }
}

TEST_F(Credits, AFullWindowShowsEveryTextWhole) {
  Nfo("[info]\r\nversion=2\r\n[English]\r\n"
      "imageTitle=Breaking wave at Point Reyes, California, on a winter morning\r\n"
      "imageCreditPrompt=Photograph:\r\nimageCredit=Anna Smith for the Orvane demo sets, all rights reserved\r\n"
      "imageInfo=Taken with a long lens from the cliffs above the beach.\r\n"
      "imageMore=Prints of this picture are available from the publisher.\r\n"
      "URL=https://example.com/\r\nwebButton=Order a print\r\n");
  QImage thumbnail(160, 120, QImage::Format_RGB32);
  thumbnail.fill(QColor(40, 90, 160));
  frmCredits w;
  w.InitCredits(Folder(), Image(), "", "English");
  w.ThumbNail(thumbnail);
  w.show();
  ExpectNothingClipped(w);
  if (const char* folder = std::getenv("ORVANE_SCREENSHOT_DIR"))
    w.grab().save(QString::fromUtf8(folder) + "/credits.png");
}

}  // namespace
