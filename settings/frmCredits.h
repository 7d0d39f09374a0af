#pragma once
// "Image Credits": a small modal window with what the wallpaper picture's
// description file says about it: title, credit, further information and a
// link to a web page. Two forms of the file are read: version 1 (fixed keys plus
// the set folder's "photo.nfo") and version 2 (a block per language whose values
// may go on over following lines). "C" or "c", Esc and Enter close it like the
// Close button.
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "platform/picturebox.h"

namespace orvane::settings {

class frmKestrin;

// "Image Info..." of the wallpaper page (cmdImageCredits_Click): the credits of
// the wallpaper image chosen in lstImages, read in the image's own set folder
// (also while the page shows all sets), in the language chosen on the
// screen-saver page, with the page's thumbnail; modal over the dialog. Nothing
// happens before an image is chosen.
void ShowWallpaperImageCredits(frmKestrin& form);

class frmCredits : public QWidget {
 public:
  explicit frmCredits(QWidget* owner = nullptr);

  // Reads imagePath & ".nfo" ([info] version, default "1") and fills the window;
  // setFolder (ending in a separator) holds "photo.nfo"; imageName names the
  // version-1 section; language (for example "English") the version-2 block.
  // A version other than "1" or "2" leaves the design-time texts.
  void InitCredits(const std::string& setFolder, const std::string& imagePath,
                   const std::string& imageName, const std::string& language);
  void ImageTitle(const std::string& text);
  void ImageInfo(const std::string& text);
  void ThumbNail(const QImage& picture);
  void GetVersion2Info(const std::string& setFolder, const std::string& imagePath,
                       const std::string& language);

  // The wallpaper page's "Image Info..." button: fills a window for the image and
  // shows it modally over owner until it is closed. setFolder is the folder of
  // the image's own set (also when the page shows all sets).
  static void ShowImageCredits(QWidget* owner, const std::string& setFolder,
                               const std::string& imagePath, const std::string& imageName,
                               const std::string& language, const QImage& thumbnail);

  void cmdClose_Click();
  void cmdWebLink_Click();
  void Form_KeyPress(int keyAscii);

  // ---- controls ----
  QLabel* lblImageTitlePrompt;
  QLabel* lblImageTitle;
  QLabel* lblImageCreditPrompt;
  QLabel* lblImageInfo;
  QLabel* lblAdditInfoPrompt;
  QPlainTextEdit* txtPhoto;
  QGroupBox* lblMoreInfoPrompt;
  QLabel* lblPrintOrder;
  QPushButton* cmdWebLink;
  QWidget* Picture1;
  platform::PictureBox picThumbNail;
  QPushButton* cmdClose;

  std::string WebLinkURL;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ReadVersion1Info(const std::string& setFolder, const std::string& imagePath,
                        const std::string& imageName);
  void ApplyVersion2Key(const std::string& key, const std::string& value);
  QString Text(const std::string& bytes) const;
  void PlaceCredit();

  int codePage_ = 1252;
};

}  // namespace orvane::settings
