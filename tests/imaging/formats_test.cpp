// Formats told by content and EXIF orientation, in the decode every caller goes
// through: the eight orientations through each way of loading, broken EXIF
// blocks, PNG, WebP and HEIC files whatever they are called, and the one-line
// reasons of files that cannot be read.
#include "imaging/formats.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <filesystem>
#include <string>

#include "imaging/imaging.h"
#include "tests/support/oriented_pictures.h"
#include "tests/support/picture_formats.h"
#include "tests/support/testenv.h"

namespace im = orvane::imaging;
namespace fs = std::filesystem;
using orvane::test::Corner;
using orvane::test::CornerName;

namespace {

class Formats : public testing::Test {
 protected:
  void SetUp() override { dir_ = orvane::test::MakeTempDir("formats"); }
  std::string Write(const std::string& name, const std::string& bytes) {
    orvane::test::WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }
  // A picture file loaded as a work buffer (with a target size when given), as
  // a copied image.
  static QImage Load(const std::string& file, int targetW = 0, int targetH = 0) {
    const im::Handle h = im::LoadWorkBuff(file, targetW, targetH);
    if (h == im::kNoHandle) return {};
    QImage copy = im::WorkBuffImage(h).copy();
    im::DestroyWorkBuff(h);
    return copy;
  }
  fs::path dir_;
};

TEST_F(Formats, EveryOrientationIsSeenUprightByEveryWayOfLoading) {
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(testing::Message() << "orientation " << orientation);
    const std::string file = Write("pic.jpg", orvane::test::OrientedJpeg(orientation));
    const QSize upright = orvane::test::ExpectedSize(orientation);
    const Corner corner = orvane::test::ExpectedCorner(orientation);

    // Full size.
    const QImage full = Load(file);
    ASSERT_EQ(full.size(), upright);
    EXPECT_STREQ(CornerName(orvane::test::SeeMark(full).corner), CornerName(corner));

    // DCT-scaled: the target is the upright quarter, so the decode is a quarter
    // (an eighth would not cover it); a target taken the stored way round
    // would give a half on one side.
    const QImage quarter = Load(file, upright.width() / 4, upright.height() / 4);
    EXPECT_EQ(quarter.size(), upright / 4);

    // The target is asked with the upright size.
    QSize asked;
    const im::Handle h = im::LoadWorkBuffFor(file, [&](int w, int height, int& tw, int& th) {
      asked = QSize(w, height);
      tw = th = 0;
    });
    ASSERT_NE(h, im::kNoHandle);
    EXPECT_EQ(asked, upright);
    im::DestroyWorkBuff(h);

    // Known before decoding.
    int w = 0, height = 0;
    ASSERT_TRUE(im::PictureSize(file, w, height));
    EXPECT_EQ(QSize(w, height), upright);

    // Through a decompression to a bitmap file.
    const std::string bmp = (dir_ / "pic.bmp").string();
    ASSERT_TRUE(im::DoDecompress(file, bmp));
    const QImage decompressed = Load(bmp);
    EXPECT_EQ(decompressed, full);
  }
}

TEST_F(Formats, MissingBrokenOrStrangeExifCountsAsUpright) {
  const std::string untagged = Write("plain.jpg", orvane::test::OrientedJpeg(0));
  const QImage reference = Load(untagged);
  ASSERT_FALSE(reference.isNull());
  const struct {
    const char* what;
    std::string exif;
  } cases[] = {
      {"orientation 1", orvane::test::ExifOrientationBlock(1, false)},
      {"orientation 0", orvane::test::ExifOrientationBlock(0, true)},
      {"orientation 9", orvane::test::ExifOrientationBlock(9, false)},
      {"orientation 65535", orvane::test::ExifOrientationBlock(65535, true)},
      {"IFD past the end", orvane::test::BrokenExifBlock(0)},
      {"cut inside the entry", orvane::test::BrokenExifBlock(1)},
      {"not TIFF", orvane::test::BrokenExifBlock(2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file =
        Write("tagged.jpg", orvane::test::JpegWithExif(orvane::test::MarkedPicture(), c.exif));
    // The same pixels as the same picture without the block.
    EXPECT_EQ(Load(file), reference);
    int w = 0, h = 0;
    ASSERT_TRUE(im::PictureSize(file, w, h));
    EXPECT_EQ(QSize(w, h), QSize(orvane::test::kOrientedW, orvane::test::kOrientedH));
  }
}

TEST_F(Formats, PngWebpAndHeicAreReadByContentWhateverTheirName) {
  const QImage picture = orvane::test::BandedPicture(48, 32);
  QImage withAlpha(8, 4, QImage::Format_ARGB32);
  withAlpha.fill(qRgba(200, 100, 50, 255));
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 4; ++y) withAlpha.setPixel(x, y, qRgba(0, 0, 0, 0));  // clear on the left

  const std::string webp = orvane::test::QtEncoded(picture, "WEBP", 100);
  const std::string heic = orvane::test::HeicEncoded(picture, dir_ / "heic");
  const struct {
    const char* name;
    std::string bytes;
    im::PictureFormat format;
    int tolerance;  // per channel; lossless formats give the very pixels
  } cases[] = {
      {"shot.png", orvane::test::QtEncoded(picture, "PNG"), im::PictureFormat::kPng, 0},
      {"shot-named.jpg", orvane::test::QtEncoded(picture, "PNG"), im::PictureFormat::kPng, 0},
      {"no-extension", orvane::test::QtEncoded(picture, "PNG"), im::PictureFormat::kPng, 0},
      {"saved.webp", webp, im::PictureFormat::kWebp, 12},
      {"phone.heic", heic, im::PictureFormat::kHeic, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bytes.empty()) {
      // Say what was left out, without failing where the encoder is missing.
      std::cerr << "[ SKIPPED ] " << c.name << ": no encoder here (qt6-image-formats-plugins "
                << "for WebP, heif-enc of libheif-examples for HEIC)\n";
      continue;
    }
    const std::string file = Write(c.name, c.bytes);
    EXPECT_EQ(im::SniffPictureFormat(file), c.format);
    EXPECT_TRUE(im::CanDecodeFormat(c.format));
    std::string reason = "unset";
    EXPECT_TRUE(im::CheckPicture(file, reason)) << reason;
    EXPECT_EQ(reason, "");
    const QImage loaded = Load(file);
    ASSERT_EQ(loaded.size(), picture.size());
    if (c.tolerance == 0) {
      EXPECT_TRUE(loaded == picture) << "not the very pixels";
    }
    EXPECT_LE(orvane::test::BandedDifference(loaded), c.tolerance);
  }
  // Transparency is shown over black.
  const QImage alpha = Load(Write("alpha.png", orvane::test::QtEncoded(withAlpha, "PNG")));
  ASSERT_EQ(alpha.size(), QSize(8, 4));
  EXPECT_EQ(alpha.pixel(1, 1), qRgb(0, 0, 0));
  EXPECT_EQ(alpha.pixel(6, 1), qRgb(200, 100, 50));
}

TEST_F(Formats, ContentTellsTheFormat) {
  const struct {
    std::string bytes;
    im::PictureFormat format;
  } cases[] = {
      {std::string("\xFF\xD8\xFF\xE0", 4), im::PictureFormat::kJpeg},
      {"BM\x36\x00", im::PictureFormat::kBmp},
      {std::string("\x89PNG\r\n\x1a\n\0\0", 10), im::PictureFormat::kPng},
      {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), im::PictureFormat::kWebp},
      {std::string("RIFF\x10\0\0\0WAVEfmt ", 16), im::PictureFormat::kUnknown},
      {std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24), im::PictureFormat::kHeic},
      {std::string("\0\0\0\x18" "ftypmif1\0\0\0\0mif1heic", 24), im::PictureFormat::kHeic},
      // An MP4 video: its brands name no still image.
      {std::string("\0\0\0\x18" "ftypisom\0\0\0\0isomavc1", 24), im::PictureFormat::kUnknown},
      {"GIF89a", im::PictureFormat::kUnknown},
      {"", im::PictureFormat::kUnknown},
      {"\xFF\xD8", im::PictureFormat::kUnknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(im::SniffPictureFormat(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                     c.bytes.size()),
              c.format);
  }
  EXPECT_EQ(im::SniffPictureFormat((dir_ / "missing.jpg").string()), im::PictureFormat::kUnknown);
  EXPECT_EQ(im::SniffPictureFormat(dir_.string()), im::PictureFormat::kUnknown);  // a folder
}

TEST_F(Formats, AFileThatCannotBeReadSaysWhyInOneLine) {
  const std::string png = orvane::test::QtEncoded(orvane::test::BandedPicture(64, 64), "PNG");
  const std::string jpeg = orvane::test::OrientedJpeg(6);
  const std::string heicHead("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic\0\0\0\x08mdat", 32);
  const struct {
    const char* name;
    std::string bytes;
    const char* reason;  // a part of it
  } cases[] = {
      {"empty.jpg", "", "not a picture in a format that can be read"},
      {"notes.jpg", "Dear diary,\nnot a picture.\n", "not a picture in a format that can be read"},
      {"cut.png", png.substr(0, png.size() / 2), "PNG data corrupt or cut short"},
      {"head.png", png.substr(0, 12), "PNG data corrupt"},
      {"cut.jpg", jpeg.substr(0, jpeg.size() - 40), "JPEG data corrupt or cut short"},
      {"bad.webp", std::string("RIFF\x10\0\0\0WEBPVP8 nonsense", 24), "WebP "},
      {"bad.heic", heicHead, "HEIC data corrupt"},
      {"bad.bmp", "BM nonsense that is no bitmap at all", "BMP data corrupt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = Write(c.name, c.bytes);
    EXPECT_EQ(im::LoadWorkBuff(file), im::kNoHandle);
    EXPECT_EQ(im::LastError(), im::kInvalidPicture);
    const std::string reason = im::LastErrorReason();
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos) << reason;
    std::string checked;
    EXPECT_FALSE(im::CheckPicture(file, checked));
    EXPECT_EQ(checked, reason);
  }
  std::string reason;
  EXPECT_FALSE(im::CheckPicture((dir_ / "missing.png").string(), reason));
  EXPECT_EQ(reason, "file not found");
  // A load that works leaves no reason behind.
  const im::Handle fine = im::LoadWorkBuff(Write("fine.jpg", jpeg));
  ASSERT_NE(fine, im::kNoHandle);
  EXPECT_EQ(im::LastErrorReason(), "");
  im::DestroyWorkBuff(fine);
}

}  // namespace
