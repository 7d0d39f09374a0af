// The show's preparation of the pictures of a photo folder: phone portraits
// upright (each EXIF orientation), and PNG, WebP and HEIC files taken as a JPEG
// is, whatever they are called.
#include <gtest/gtest.h>

#include <iostream>

#include "tests/saver/frmsaver_fixture.h"
#include "tests/support/oriented_pictures.h"
#include "tests/support/picture_formats.h"

namespace orvane::saver::test {
namespace {

using orvane::test::Corner;
using orvane::test::CornerName;

class PictureFormatsTest : public SaverTest {};

TEST_F(PictureFormatsTest, EveryOrientationIsFittedAndShownUpright) {
  SeaSet({"pic.jpg"});
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    orvane::test::WriteBytes(SetFile("pic.jpg"), orvane::test::OrientedJpeg(orientation));
    frmSaver& w = NewRun();
    w.PrepImage();
    // The picture's own size, as seen: fitted by it (2:1 across the 4:3
    // screen, or 1:2 up it).
    const QSize upright = orvane::test::ExpectedSize(orientation);
    EXPECT_EQ(QSize(w.ImageWidth, w.ImageHeight), upright);
    const orvane::test::SeenMark seen = orvane::test::SeeMark(Prepared());
    const QSize fitted = upright.width() > upright.height() ? QSize(kScreenW, kScreenW / 2)
                                                            : QSize(kScreenH / 2, kScreenH);
    // (Within a pixel: the fitted place's edges are rounded.)
    EXPECT_NEAR(seen.area.width(), fitted.width(), 1);
    EXPECT_NEAR(seen.area.height(), fitted.height(), 1);
    EXPECT_STREQ(CornerName(seen.corner), CornerName(orvane::test::ExpectedCorner(orientation)));
  }
}

TEST_F(PictureFormatsTest, PngWebpAndHeicAreShownLikeAJpeg) {
  const QImage picture = orvane::test::BandedPicture(kScreenW, kScreenH);
  const std::string png = orvane::test::QtEncoded(picture, "PNG");
  const struct {
    const char* entry;  // as the set names it
    const char* file;   // the file it finds
    std::string bytes;
    int tolerance;
  } cases[] = {
      {"shot.png", "shot.png", png, 0},
      {"shot.jpg", "shot.jpg", png, 0},    // a PNG named ".jpg"
      {"beach", "beach.jpg", png, 0},      // an entry without extension is a ".jpg"
      {"saved.webp", "saved.webp", orvane::test::QtEncoded(picture, "WEBP", 100), 12},
      {"phone.heic", "phone.heic", orvane::test::HeicEncoded(picture, root_ / "heic"), 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    if (c.bytes.empty()) {
      std::cerr << "[ SKIPPED ] " << c.entry << ": no encoder here (qt6-image-formats-plugins "
                << "for WebP, heif-enc of libheif-examples for HEIC)\n";
      continue;
    }
    SeaSet({c.entry});
    orvane::test::WriteBytes(SetFile(c.file), c.bytes);
    frmSaver& w = NewRun();
    w.PrepImage();
    EXPECT_FALSE(w.NothingToShow);
    EXPECT_TRUE(boxes_.empty()) << LastBoxText();
    const QImage slide = Prepared();
    ASSERT_EQ(slide.size(), picture.size());
    if (c.tolerance == 0) {
      EXPECT_TRUE(slide == picture) << "not the very pixels";
    }
    EXPECT_LE(orvane::test::BandedDifference(slide), std::max(c.tolerance, 0));
  }
}

}  // namespace
}  // namespace orvane::saver::test
