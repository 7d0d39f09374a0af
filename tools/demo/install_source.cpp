#include "tools/demo/install_source.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <random>

#include "core/Utils.h"
#include "platform/registry.h"
#include "tools/demo/media.h"

namespace orvane::demo {

namespace fs = std::filesystem;

namespace {

constexpr QSize kPictureSize(1600, 1200);
constexpr QSize kThumbnailBox(160, 120);
constexpr int kJpegQuality = 85;

enum class Picture { Tulips, Meadow, Peaks, Ridges, Breakers, Ripples };

struct DemoImage {
  std::string name;  // the catalogue key
  std::string file;  // without ".jpg"
  Picture picture;
  std::string line;  // a sentence for the information panel
};

struct DemoSet {
  std::string fileName, setName, folder;
  std::vector<DemoImage> images;
  std::string license;  // empty: none
};

void Gradient(QPainter& p, const QRectF& area, const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(area.topLeft(), area.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  p.fillRect(area, gradient);
}

QPainterPath Wave(double width, double height, double base, double amplitude, double waves, double phase) {
  QPainterPath path(QPointF(0, height));
  for (int x = 0; x <= int(width); x += 8) {
    const double u = x / width * waves * 2 * std::numbers::pi + phase;
    path.lineTo(x, base + amplitude * (0.7 * std::sin(u) + 0.3 * std::sin(2.3 * u + phase)));
  }
  path.lineTo(width, height);
  path.closeSubpath();
  return path;
}

void Flower(QPainter& p, QPointF centre, double radius, const QColor& petal) {
  p.setBrush(petal);
  for (int i = 0; i < 6; ++i) {
    const double a = i * std::numbers::pi / 3;
    p.drawEllipse(QPointF(centre.x() + radius * std::cos(a), centre.y() + radius * std::sin(a)), radius * 0.7,
                  radius * 0.7);
  }
  p.setBrush(QColor(250, 214, 80));
  p.drawEllipse(centre, radius * 0.6, radius * 0.6);
}

QImage Draw(Picture picture) {
  QImage image(kPictureSize, QImage::Format_RGB32);
  const double w = image.width(), h = image.height();
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  std::mt19937 random(static_cast<unsigned>(picture) + 11);
  std::uniform_real_distribution<double> unit(0, 1);
  switch (picture) {
    case Picture::Tulips:
    case Picture::Meadow: {
      const bool tulips = picture == Picture::Tulips;
      Gradient(p, QRectF(0, 0, w, h * 0.5), tulips ? QColor(120, 180, 240) : QColor(250, 210, 150),
               tulips ? QColor(210, 235, 250) : QColor(240, 160, 120));
      Gradient(p, QRectF(0, h * 0.45, w, h * 0.55), QColor(70, 150, 60), QColor(20, 70, 30));
      p.setBrush(QColor(90, 160, 70));
      p.drawPath(Wave(w, h, h * 0.47, h * 0.03, 2, 1.0));
      for (int i = 0; i < (tulips ? 120 : 260); ++i) {
        const double y = h * (0.5 + 0.5 * unit(random));
        const double scale = (y / h - 0.4) * 2;
        const QColor colour = tulips ? QColor::fromHsv(int(unit(random) * 40) % 360, 220, 230)
                                     : QColor::fromHsv(int(40 + unit(random) * 280), 120, 255);
        Flower(p, QPointF(w * unit(random), y), (tulips ? 18 : 9) * scale, colour);
      }
      break;
    }
    case Picture::Peaks:
    case Picture::Ridges: {
      const bool peaks = picture == Picture::Peaks;
      Gradient(p, QRectF(0, 0, w, h), peaks ? QColor(250, 170, 120) : QColor(60, 90, 150),
               peaks ? QColor(250, 230, 190) : QColor(190, 210, 230));
      for (int layer = 0; layer < 5; ++layer) {
        const int shade = 40 + layer * 30;
        p.setBrush(peaks ? QColor(shade, shade / 2 + 20, 90 + layer * 10) : QColor(30, 50 + layer * 20, shade));
        p.drawPath(Wave(w, h, h * (0.35 + layer * 0.12), h * (0.12 - layer * 0.015), 1.5 + layer, layer * 1.7));
      }
      if (peaks) {
        p.setBrush(QColor(255, 240, 200));
        p.drawEllipse(QPointF(w * 0.7, h * 0.25), h * 0.07, h * 0.07);
      }
      break;
    }
    case Picture::Breakers:
    case Picture::Ripples: {
      const bool breakers = picture == Picture::Breakers;
      Gradient(p, QRectF(0, 0, w, h), breakers ? QColor(40, 80, 140) : QColor(10, 40, 70),
               breakers ? QColor(150, 200, 230) : QColor(30, 120, 150));
      for (int band = 0; band < 9; ++band) {
        p.setBrush(QColor(255, 255, 255, breakers ? 40 + band * 12 : 25 + band * 6));
        p.drawPath(Wave(w, h, h * (0.3 + band * 0.08), h * (breakers ? 0.04 : 0.015), breakers ? 3 : 9,
                        band * 0.9));
      }
      break;
    }
  }
  return image;
}

std::vector<DemoSet> Sets() {
  return {
      {"gardens.ilb", "Gardens", "Gardens",
       {{"Tulips", "tulips", Picture::Tulips, "Red and orange tulips under a spring sky."},
        {"Meadow", "meadow", Picture::Meadow, "A meadow of small flowers at sunset."}},
       "Orvane demo image set \"Gardens\"\r\n\r\nThe pictures of this set were drawn by the Orvane demo "
       "generator. You may show them on your own screens and share them freely.\r\n\r\nThey come without any "
       "warranty.\r\n"},
      {"mountains.ilb", "Mountains", "Mountains",
       {{"Peaks at Dawn", "peaks", Picture::Peaks, "Mountain ridges in the first light of the day."},
        {"Blue Ridges", "ridges", Picture::Ridges, "Ridge behind ridge, fading into the haze."}},
       ""},
      {"waves.ilb", "Waves", "Waves",
       {{"Breakers", "breakers", Picture::Breakers, "Waves rolling in towards the shore."},
        {"Ripples", "ripples", Picture::Ripples, "Small ripples on a calm evening sea."}},
       ""},
  };
}

QImage DrawLogo() {
  QImage logo(480, 120, QImage::Format_RGB32);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  Gradient(p, QRectF(logo.rect()), QColor(250, 250, 255), QColor(200, 215, 240));
  p.setPen(QPen(QColor(20, 60, 140), 4));
  p.drawRect(QRectF(2, 2, 476, 116));
  QFont font(QStringLiteral("Liberation Serif"));
  font.setPixelSize(52);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(0, 0, 480, 80), Qt::AlignCenter, QStringLiteral("Orvane"));
  font.setPixelSize(22);
  font.setBold(false);
  p.setFont(font);
  p.drawText(QRectF(0, 72, 480, 40), Qt::AlignCenter, QStringLiteral("Demo Image Sets"));
  return logo;
}

}  // namespace

std::vector<DemoLibrary> DemoLibraries() {
  std::vector<DemoLibrary> libraries;
  for (const DemoSet& set : Sets()) {
    DemoLibrary library{set.fileName, set.setName, set.folder, {}};
    std::vector<std::string> ini = {"[SetDescriptions]", set.setName + "=" + set.folder + "\\", "",
                                    "[" + set.setName + "]"};
    for (const DemoImage& image : set.images) ini.push_back(image.name + "=" + image.file);
    library.files.push_back({"images.ini", CrLfLines(ini)});
    library.files.push_back(
        {"company.ini", CrLfLines({"[TitlePage]", "userControl=1", "", "[Sound]", "HasSound=0", "", "[Company]",
                                   "Company Name=Orvane Demo Pictures",
                                   "Introduction=The " + set.setName +
                                       " set was drawn by the Orvane demo generator and installed by pellam."})});
    for (const DemoImage& image : set.images) {
      const QImage picture = Draw(image.picture);
      library.files.push_back({image.file + ".jpg", EncodeJpeg(picture, kJpegQuality)});
      library.files.push_back(
          {image.file + ".bmp",
           EncodeBmp24(picture.scaled(kThumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation))});
      library.files.push_back(
          {image.file + ".nfo",
           CrLfLines({"[info]", "version=1", "", "[" + image.name + "]",
                      "PictureInfo=" + image.name + ", drawn for the " + set.setName + " demo set", "",
                      "[English]", "English=" + image.name, "", image.line, "", "", ""})});
    }
    if (!set.license.empty()) library.files.push_back({"license.txt", set.license});
    libraries.push_back(std::move(library));
  }
  return libraries;
}

std::vector<fs::path> WriteInstallSource(const fs::path& folder) {
  std::vector<fs::path> written;
  auto write = [&written](const fs::path& path, const std::string& bytes) {
    WriteFileAtomically(path, bytes);
    written.push_back(path);
  };
  write(folder / "custom.inf", CrLfLines({"[Custom]", "SetDir=Sets", std::string("RegistryInfo=") + core::kProgramPathKey,
                                          "ProductID=ORVANE-DEMO", "NumSets=3"}));
  write(folder / "Sets" / "logo.bmp", EncodeBmp24(DrawLogo()));
  for (const DemoLibrary& library : DemoLibraries())
    write(folder / "Sets" / library.fileName, installer::EncodeLibrary(library.setName, library.files));
  return written;
}

fs::path DefaultInstallSourceFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return fs::path(data) / "orvane-demo-install/";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/orvane-demo-install/";
}

bool RegisterInstallTarget(const fs::path& folder) {
  std::string path = fs::absolute(folder).lexically_normal().string();
  if (path.empty() || path.back() != '/') path += '/';
  return platform::RegSetValue(platform::Hive::CurrentUser, core::kProgramPathKey, "", path);
}

}  // namespace orvane::demo
