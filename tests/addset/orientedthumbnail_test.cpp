// orvane-add-set's thumbnails of phone portraits: each EXIF orientation gives a
// thumbnail of the picture upright, fitted by the size it is seen at.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "addset/Thumbnail.h"
#include "imaging/imaging.h"
#include "tests/support/oriented_pictures.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using orvane::test::CornerName;

namespace {

TEST(OrientedThumbnail, EveryOrientationGivesAnUprightThumbnail) {
  const fs::path root = orvane::test::MakeTempDir("thumbs");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    const fs::path picture = root / "pic.jpg";
    const fs::path thumbnail = root / "pic.jpg.bmp";
    orvane::test::WriteBytes(picture, orvane::test::OrientedJpeg(orientation));
    ASSERT_EQ(orvane::addset::MakeThumbnail(picture.string(), thumbnail.string()),
              orvane::addset::ThumbnailResult::Made);
    const orvane::imaging::Handle h = orvane::imaging::LoadBitMap(thumbnail.string());
    ASSERT_NE(h, orvane::imaging::kNoHandle);
    const QImage image = orvane::imaging::WorkBuffImage(h).copy();
    orvane::imaging::UnloadBitMap(h);
    // 2:1 fits 160 x 80 into the box, 1:2 60 x 120.
    const QSize expected = orientation >= 5 ? QSize(60, 120) : QSize(160, 80);
    EXPECT_EQ(image.size(), expected);
    EXPECT_STREQ(CornerName(orvane::test::SeeMark(image).corner),
                 CornerName(orvane::test::ExpectedCorner(orientation)));
  }
}

}  // namespace
