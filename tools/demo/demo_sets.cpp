#include "tools/demo/demo_sets.h"

#include <QSize>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "core/Utils.h"
#include "platform/registry.h"
#include "platform/textcodec.h"
#include "tools/demo/media.h"
#include "tools/demo/pictures.h"

namespace orvane::demo {

namespace fs = std::filesystem;

namespace {

constexpr QSize kPictureSize(1600, 1200);
constexpr QSize kPanoramaSize(3600, 1200);
constexpr QSize kThumbnailBox(160, 120);
constexpr int kJpegQuality = 85;
const char* const kSite = "https://www.example.org/orvane";

// One language's title and information-panel paragraphs, UTF-8.
struct Text {
  const char* language;
  std::string title;
  std::vector<std::string> paragraphs;
};

struct Image {
  std::string name;  // the catalogue key
  std::string file;  // the file name without ".jpg"
  Scene scene;
  std::string number;
  std::vector<Text> texts;
  std::string panDirection;  // empty: an ordinary picture
  std::string sound;         // set-folder file name of the slide's sound
};

struct Set {
  std::string name;
  std::string folder;  // below the program folder, without the trailing "/"
  std::vector<Image> images;
  std::vector<std::string> company;  // company.ini lines
  std::string printOrder;
  std::string photo;
};

platform::CodePage CodePageOf(const char* language) {
  return std::string(language) == "Japanese" ? platform::CodePage::Japanese
                                             : platform::CodePage::Windows1252;
}

std::string Bytes(const std::string& utf8, const char* language) {
  return platform::FromUtf8(utf8, CodePageOf(language));
}

// The description file: credits (version 1), link, panorama and sound keys,
// then one block per language that the information panel reads: the title line,
// and after it pairs of a separator line and a paragraph, closed by an empty
// paragraph.
std::string DescriptionText(const Set& set, const Image& image) {
  std::vector<std::string> lines = {
      "[info]", "version=1", "",
      "[" + image.name + "]",
      "PictureInfo=" + image.name + ", drawn for the " + set.name + " demo set",
      "ImageNumber=" + image.number, "",
      "[WebLinker]", "URL=" + std::string(kSite) + "/" + image.file, "",
  };
  if (!image.panDirection.empty()) {
    lines.insert(lines.end(), {"[Panoramic]", "PanDirection=" + image.panDirection,
                               "PanoramicOrigin=0", ""});
  }
  if (!image.sound.empty()) {
    lines.insert(lines.end(), {"[sound]", "defaultsound=" + image.sound, "soundRampInTime=1500",
                               "soundRampOutTime=2500", ""});
  }
  std::string out = CrLfLines(lines);
  for (const Text& text : image.texts) {
    std::vector<std::string> block = {"[" + std::string(text.language) + "]",
                                      std::string(text.language) + "=" + text.title};
    for (const std::string& paragraph : text.paragraphs) {
      block.push_back("");
      block.push_back(paragraph);
    }
    block.insert(block.end(), {"", "", ""});
    for (std::string& line : block) line = Bytes(line, text.language);
    out += CrLfLines(block);
  }
  return out;
}

std::string ImagesIniText(const Set& set) {
  std::vector<std::string> lines = {"[SetDescriptions]", set.name + "=" + set.folder + "/", "",
                                    "[" + set.name + "]"};
  // The set's section comes last: the import copies every line after its header.
  for (const Image& image : set.images) lines.push_back(image.name + "=" + image.file);
  return CrLfLines(lines);
}

QImage Thumbnail(const QImage& picture) {
  return picture.scaled(kThumbnailBox, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::vector<Text> Texts(const std::string& english, const std::string& french,
                        const std::string& german, const std::string& spanish,
                        const std::string& swedish, const std::string& japanese,
                        const std::string& paragraph) {
  const std::string generated =
      "This picture was drawn by the Orvane demo generator from gradients and shapes; no "
      "photograph was used.";
  return {
      {"English", english, {paragraph, generated}},
      {"French", french, {"Image de d\u00e9monstration dessin\u00e9e par le g\u00e9n\u00e9rateur d'Orvane."}},
      {"German", german, {"Ein Demobild, gezeichnet vom Orvane-Generator aus Verl\u00e4ufen und Formen."}},
      {"Spanish", spanish, {"Imagen de demostraci\u00f3n dibujada por el generador de Orvane."}},
      {"Japanese", japanese,
       {"\u3053\u308c\u306f Orvane \u306e\u30c7\u30e2\u753b\u50cf\u3067\u3059\u3002"
        "\u30b0\u30e9\u30c7\u30fc\u30b7\u30e7\u30f3\u3068\u56f3\u5f62\u3060\u3051\u3067"
        "\u63cf\u304b\u308c\u3066\u3044\u307e\u3059\u3002"}},
      {"Swedish", swedish, {"En demobild ritad av Orvanes generator med toningar och former."}},
  };
}

std::vector<std::string> CompanyBlock(const std::string& setName, const std::string& slug) {
  return {
      "[WebLinker]",
      "companyURL=" + std::string(kSite),
      "setURL=" + std::string(kSite) + "/" + slug,
      "SSURL=" + std::string(kSite),
      "WebLinker=1",
      "SSWebLinker=0",
      "webButton=" + setName + " on the Web",
      "",
      "[Company]",
      "Company Name=Orvane Demo Pictures",
      "Street Address=1 Gradient Lane",
      "City State Zip=Pixelton",
      "Phone=",
      "Web Site=" + std::string(kSite),
      "webButton=Visit Orvane",
      "Introduction=The " + setName +
          " set was drawn by the Orvane demo generator: gradients, shapes and text, "
          "free to use with the program.",
      "",
  };
}

std::vector<Set> DemoSets() {
  Set coast{"Coastline", "Coastline", {}, {}, "Demo picture, not for sale",
            "Drawn with QPainter by orvane-demo-sets."};
  coast.images = {
      {"Harbour at Dusk", "harbour", Scene::Harbour, "OD-101",
       Texts("Harbour at Dusk", "Le port au cr\u00e9puscule", "Hafen in der D\u00e4mmerung",
             "El puerto al atardecer", "Hamnen i skymningen",
             "\u5915\u66ae\u308c\u306e\u6e2f",
             "Fishing boats rest at the quay while the sun sets behind the harbour."),
       "", ""},
      {"Lighthouse", "lighthouse", Scene::Lighthouse, "OD-102",
       Texts("Lighthouse", "Le phare", "Der Leuchtturm", "El faro", "Fyren", "\u706f\u53f0",
             "A striped lighthouse sends its beam across the bay."),
       "", ""},
      {"Dunes", "dunes", Scene::Dunes, "OD-103",
       Texts("Dunes", "Les dunes", "Die D\u00fcnen", "Las dunas", "Sanddynerna", "\u7802\u4e18",
             "Warm light on rolling dunes behind the beach."),
       "", ""},
      {"Coast Panorama", "panorama", Scene::CoastPanorama, "OD-104",
       Texts("Coast Panorama", "Panorama de la c\u00f4te", "K\u00fcstenpanorama",
             "Panorama de la costa", "Kustpanorama",
             "\u6d77\u5cb8\u306e\u30d1\u30ce\u30e9\u30de",
             "A wide view of the hills along the coast; the slide show pans across it."),
       "LeftToRight", ""},
  };
  coast.company = {"[TitlePage]", "userControl=1", "", "[Sound]", "HasSound=0", ""};
  auto block = CompanyBlock(coast.name, "coastline");
  coast.company.insert(coast.company.end(), block.begin(), block.end());

  Set shapes{"Geometry", "Geometry", {}, {}, "Demo picture, not for sale",
             "Circles, squares and triangles drawn with QPainter."};
  shapes.images = {
      {"Circles", "circles", Scene::Circles, "OD-201",
       Texts("Circles", "Cercles", "Kreise", "C\u00edrculos", "Cirklar", "\u5186",
             "Glowing discs of every colour on a dark ground."),
       "", ""},
      {"Squares", "squares", Scene::Squares, "OD-202",
       Texts("Squares", "Carr\u00e9s", "Quadrate", "Cuadrados", "Kvadrater",
             "\u6b63\u65b9\u5f62", "Twenty-four squares, each turned a little further."),
       "", ""},
      {"Triangles", "triangles", Scene::Triangles, "OD-203",
       Texts("Triangles", "Triangles", "Dreiecke", "Tri\u00e1ngulos", "Trianglar",
             "\u4e09\u89d2\u5f62", "A tiling of triangles shading from teal to blue."),
       "", ""},
  };
  shapes.company = {"[TitlePage]", "file=title.jpg", "userControl=1", "time=8", "",
                    "[Sound]", "HasSound=0", "",
                    "[LayerSS]", "layerImage=badge.bmp", "layerTranslucency=35",
                    "layerFrequency=1", "",
                    "[LayerWP]", "layerImage=badge.bmp", "layerTranslucency=20", ""};
  block = CompanyBlock(shapes.name, "geometry");
  shapes.company.insert(shapes.company.end(), block.begin(), block.end());

  Set night{"Night Sky", "NightSky", {}, {}, "Demo picture, not for sale",
            "Night scenes with a soft chord as the set's sound."};
  night.images = {
      {"Aurora", "aurora", Scene::Aurora, "OD-301",
       Texts("Aurora", "Aurore bor\u00e9ale", "Polarlicht", "Aurora boreal", "Norrsken",
             "\u30aa\u30fc\u30ed\u30e9", "Green curtains of light over the hills."),
       "", "chord.wav"},
      {"Stars", "stars", Scene::Stars, "OD-302",
       Texts("Stars", "\u00c9toiles", "Sterne", "Estrellas", "Stj\u00e4rnor",
             "\u661f\u7a7a", "Nine hundred stars above a dark ridge."),
       "", "chord.wav"},
      {"Moonrise", "moonrise", Scene::Moonrise, "OD-303",
       Texts("Moonrise", "Lever de lune", "Mondaufgang", "Salida de la luna",
             "M\u00e5nuppg\u00e5ng", "\u6708\u306e\u51fa",
             "The full moon climbs over the mountains."),
       "", "chord.wav"},
  };
  night.company = {"[TitlePage]", "userControl=1", "", "[Sound]", "HasSound=1", ""};
  block = CompanyBlock(night.name, "nightsky");
  night.company.insert(night.company.end(), block.begin(), block.end());

  return {coast, shapes, night};
}

std::string ScreenSaverTemplate() {
  return CrLfLines({
      "[ScreenSaver]",
      // Marked as set up, so that the slide show runs before the settings were applied.
      "Setup=1",
      "LastImage=0",
      "running=0",
      "ShowInit=0",
      "",
      "[PrefsSS]",
      "change=15s",
      "random=1",
      "stretch=1",
      "sound=1",
      "looping=1",
      "LastImage=0",
      "",
      "[Transition]",
      "defaultTransition=1",
      "",
      "[InfoPanel]",
      "defaultLanguage=1",
      "showText=1",
      "showTitle=1",
      "defaultTime=6",
      "",
      "[Panoramic]",
      "speed=20",
      "enable=1",
      "",
      "[CalendarSS]",
      "enable=1",
      "size=20",
      // Top right, clear of the Geometry set's badge in the bottom-right corner.
      "position=3",
      "",
      "[WebLinker]",
      "enable=1",
      "userControl=1",
      "",
      // The desktop wallpaper stays the user's own until it is switched on.
      "[PrefsWP]",
      "random=1",
      "stretch=1",
      "enable=0",
      "change=1",
      "sound=0",
      "",
      "[CalendarWP]",
      "enable=1",
      "position=3",
      "size=33",
      "",
      "[About]",
      "aboutTab=About Orvane",
      "supportURL=" + std::string(kSite) + "/support",
      "supportPhone=",
      "",
      "[Company]",
      "webButton=Visit Orvane",
      "Web Site=" + std::string(kSite),
  });
}

}  // namespace

fs::path DefaultDemoFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return fs::path(data) / "orvane-demo/";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local/share/orvane-demo/";
}

WrittenFolder WriteDemoProgramFolder(const fs::path& folder) {
  WrittenFolder written{folder, {}};
  auto write = [&written](const fs::path& path, const std::string& bytes) {
    WriteFileAtomically(path, bytes);
    written.files.push_back(path);
  };

  write(folder / "ScreenSaver.ini", ScreenSaverTemplate());
  write(folder / "config.ini", CrLfLines({"[config]",
                                          "ConfigWinTitle=Orvane Screen Saver Configuration",
                                          "PassWinTitle=Orvane Screen Saver"}));

  for (const Set& set : DemoSets()) {
    const fs::path setFolder = folder / set.folder;
    write(setFolder / "images.ini", ImagesIniText(set));
    write(setFolder / "company.ini", CrLfLines(set.company));
    write(setFolder / "photo.nfo",
          CrLfLines({"[Info]", "PrintOrder=" + set.printOrder, "Photo=" + set.photo}));
    bool needsSound = false;
    for (const Image& image : set.images) {
      const QImage picture = DrawScene(
          image.scene, image.panDirection.empty() ? kPictureSize : kPanoramaSize);
      write(setFolder / (image.file + ".jpg"), EncodeJpeg(picture, kJpegQuality));
      write(setFolder / (image.file + ".bmp"), EncodeBmp24(Thumbnail(picture)));
      write(setFolder / (image.file + ".nfo"), DescriptionText(set, image));
      needsSound = needsSound || !image.sound.empty();
    }
    if (set.name == "Geometry") {
      write(setFolder / "title.jpg",
            EncodeJpeg(DrawScene(Scene::GeometryTitle, kPictureSize), kJpegQuality));
      write(setFolder / "badge.bmp", EncodeBmp24(DrawBadge(QSize(240, 80))));
      // The title page's description: only its title lines (no panel on a title page).
      write(setFolder / "title.jpg.nfo",
            Bytes(CrLfLines({"[Title]", "English=Geometry", "French=G\u00e9om\u00e9trie",
                             "German=Geometrie", "Spanish=Geometr\u00eda", "Swedish=Geometri"}),
                  "English"));
    }
    // A major chord, A3 C#4 E4, swelling in and fading over four seconds.
    if (needsSound) write(setFolder / "chord.wav", EncodeChordWav({220.0, 277.18, 329.63}, 4.0));
  }
  return written;
}

bool RegisterProgramFolder(const fs::path& folder) {
  std::string path = fs::absolute(folder).lexically_normal().string();
  if (path.empty() || path.back() != '/') path += '/';
  return platform::RegSetValue(platform::Hive::LocalMachine, core::kProgramPathKey, "", path);
}

}  // namespace orvane::demo
