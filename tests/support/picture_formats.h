#pragma once
// Picture files of the formats beyond JPEG and BMP, made at test time: PNG and
// WebP through Qt's writers, HEIC through libheif's own encoder (heif-enc).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace orvane::test {

// The image encoded by Qt's writer of `format` ("PNG", "WEBP"); empty when Qt
// has no such writer.
inline std::string QtEncoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) return {};
  return std::string(bytes.constData(), std::size_t(bytes.size()));
}

// The HEIC bytes of the image, through heif-enc (a PNG of it handed over in
// `folder`); empty when heif-enc is not installed or fails.
inline std::string HeicEncoded(const QImage& image, const std::filesystem::path& folder) {
  const QString tool = QStandardPaths::findExecutable("heif-enc");
  if (tool.isEmpty()) return {};
  std::filesystem::create_directories(folder);
  const std::filesystem::path png = folder / "heic-source.png";
  const std::filesystem::path heic = folder / "heic-out.heic";
  if (!image.save(QString::fromStdString(png.string()), "PNG")) return {};
  QProcess encoder;
  encoder.setProcessChannelMode(QProcess::MergedChannels);
  encoder.start(tool, {"-q", "95", "-o", QString::fromStdString(heic.string()),
                       QString::fromStdString(png.string())});
  if (!encoder.waitForFinished(60000) || encoder.exitCode() != 0) return {};
  std::ifstream in(heic, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(png);
  std::filesystem::remove(heic);
  return bytes;
}

// A picture of colour bands that survive lossy coding: left half red-ish,
// right half blue-ish, a green band along the bottom quarter.
inline QImage BandedPicture(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, y >= height * 3 / 4 ? qRgb(40, 200, 60)
                           : x < width / 2     ? qRgb(210, 50, 40)
                                               : qRgb(30, 60, 200));
  return image;
}

// The largest difference per channel between an image and the banded picture
// of its size, away from the bands' borders (where lossy coding of colour at
// half resolution blurs them).
inline int BandedDifference(const QImage& seen) {
  const QImage expected = BandedPicture(seen.width(), seen.height());
  int worst = 0;
  for (int y = 0; y < seen.height(); ++y) {
    if (std::abs(y - seen.height() * 3 / 4) < 4) continue;
    for (int x = 0; x < seen.width(); ++x) {
      if (std::abs(x - seen.width() / 2) < 4 && y < seen.height() * 3 / 4) continue;
      const QRgb a = seen.pixel(x, y), b = expected.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  }
  return worst;
}

}  // namespace orvane::test
