#include "tools/demo/media.h"

#include <QBuffer>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <unistd.h>

namespace orvane::demo {

namespace fs = std::filesystem;

namespace {

void PutLE(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

}  // namespace

void WriteFileAtomically(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + "." +
                                                   std::to_string(::getpid()) + ".tmp");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw std::runtime_error("cannot write " + temporary.string());
    }
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) {
    fs::remove(temporary, error);
    throw std::runtime_error("cannot replace " + path.string());
  }
}

std::string EncodeBmp24(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int width = image.width();
  const int height = image.height();
  const std::uint32_t rowBytes = std::uint32_t(width * 3 + 3) & ~3u;
  const std::uint32_t pixelBytes = rowBytes * std::uint32_t(height);
  std::string out = "BM";
  PutLE(out, 54 + pixelBytes, 4);
  PutLE(out, 0, 4);
  PutLE(out, 54, 4);
  PutLE(out, 40, 4);  // BITMAPINFOHEADER
  PutLE(out, std::uint32_t(width), 4);
  PutLE(out, std::uint32_t(height), 4);  // positive: bottom-up rows
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);  // BI_RGB
  PutLE(out, pixelBytes, 4);
  PutLE(out, 3780, 4);  // 96 dpi
  PutLE(out, 3780, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    std::string line;
    for (int x = 0; x < width; ++x) {
      line += char(qBlue(row[x]));
      line += char(qGreen(row[x]));
      line += char(qRed(row[x]));
    }
    line.resize(rowBytes, '\0');
    out += line;
  }
  return out;
}

std::string EncodeJpeg(const QImage& image, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "JPEG", quality)) throw std::runtime_error("JPEG encoding failed");
  return bytes.toStdString();
}

std::string EncodeChordWav(const std::vector<double>& frequencies, double seconds) {
  constexpr std::uint32_t kRate = 22050;
  const std::uint32_t samples = std::uint32_t(seconds * kRate);
  std::string data;
  data.reserve(samples * 2);
  const double amplitude = 0.22 / double(std::max<std::size_t>(frequencies.size(), 1));
  for (std::uint32_t i = 0; i < samples; ++i) {
    const double t = double(i) / kRate;
    // Swell in over the first second, fade out over the rest.
    const double envelope = std::min(t / 1.0, 1.0) * std::pow(1.0 - t / seconds, 1.5);
    double value = 0;
    for (double f : frequencies) {
      value += std::sin(2 * std::numbers::pi * f * t) + 0.3 * std::sin(4 * std::numbers::pi * f * t);
    }
    const auto sample = std::int16_t(std::lround(32767.0 * amplitude * envelope * value / 1.3));
    PutLE(data, std::uint16_t(sample), 2);
  }
  std::string out = "RIFF";
  PutLE(out, 36 + std::uint32_t(data.size()), 4);
  out += "WAVEfmt ";
  PutLE(out, 16, 4);
  PutLE(out, 1, 2);  // PCM
  PutLE(out, 1, 2);  // mono
  PutLE(out, kRate, 4);
  PutLE(out, kRate * 2, 4);
  PutLE(out, 2, 2);
  PutLE(out, 16, 2);
  out += "data";
  PutLE(out, std::uint32_t(data.size()), 4);
  return out + data;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

}  // namespace orvane::demo
