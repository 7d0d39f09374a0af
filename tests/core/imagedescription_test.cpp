// Readers of the per-image description files and of "photo.nfo".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ImageDescription.h"
#include "tests/support/testenv.h"

namespace orvane::core {
namespace {

namespace fs = std::filesystem;
using test::MakeTempDir;
using test::WriteFile;

class ImageDescription : public ::testing::Test {
 protected:
  void SetUp() override { root_ = MakeTempDir("sets"); }
  std::string Root() const { return root_.string() + "/"; }
  // Writes a description file with CR LF line ends; returns its path.
  std::string Nfo(const std::string& name, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    WriteFile(root_ / name, text);
    return (root_ / name).string();
  }
  fs::path root_;
};

TEST_F(ImageDescription, MissingFileGivesEveryDefault) {
  const std::string nfo = Root() + "absent.nfo";
  const SlideDescription show = ReadSlideDescription(nfo);
  EXPECT_EQ(show.PanDirection, "");
  EXPECT_EQ(show.PanoramicOrigin, 0);
  EXPECT_EQ(show.URL, "");
  EXPECT_EQ(show.RampInTime, 1);
  EXPECT_EQ(show.RampOutTime, 1);
  EXPECT_EQ(show.Sound, "");
  EXPECT_EQ(show.Layer.layerImage, "");
  EXPECT_EQ(show.Layer.layerTranslucency, 0);
  EXPECT_EQ(ReadCreditsVersion(nfo), "1");
  EXPECT_EQ(GetTitle(nfo, "English"), "");
  EXPECT_FALSE(ReadCreditsVersion2(nfo, "English").found);
  const CreditsVersion1 v1 = ReadCreditsVersion1(nfo, "sunset");
  EXPECT_EQ(v1.PictureInfo, "Not Available");
  EXPECT_EQ(v1.ImageNumber, "Not Available");
  const PhotoCredits photo = ReadPhotoCredits(Root());
  EXPECT_EQ(photo.PrintOrder, "Not Available");
  EXPECT_EQ(photo.Photo, "");
}

TEST_F(ImageDescription, SlideShowReadsEveryKey) {
  const std::string nfo =
      Nfo("pic.nfo", {"[Panoramic]", "PanDirection=RightToLeft", "PanoramicOrigin=12.6",
                      "[WebLinker]", "URL=http://example.org/pic", "[Sound]",
                      "soundRampInTime=1500", "soundRampOutTime=700", "defaultSound=wave.wav",
                      "[LayerSS]", "layerImage=logo.bmp", "layerTranslucency=65535"});
  const SlideDescription show = ReadSlideDescription(nfo);
  EXPECT_EQ(show.PanDirection, "RightToLeft");
  EXPECT_EQ(show.PanoramicOrigin, 13);
  EXPECT_EQ(show.URL, "http://example.org/pic");
  EXPECT_EQ(show.RampInTime, 1500);
  EXPECT_EQ(show.RampOutTime, 700);
  EXPECT_EQ(show.Sound, "wave.wav") << "[Sound] defaultSound is [sound] defaultsound";
  EXPECT_EQ(show.Layer.layerImage, "logo.bmp");
  EXPECT_EQ(show.Layer.layerTranslucency, 65535) << "stored value; the level rule comes later";

  const WallpaperDescription wall = ReadWallpaperDescription(nfo);
  EXPECT_EQ(wall.PanDirection, "RightToLeft");
  EXPECT_EQ(wall.PanoramicOrigin, 12) << "the integer reader stops at the point";
  EXPECT_EQ(wall.Layer.layerImage, "") << "[LayerWP] is a section of its own";
}

TEST_F(ImageDescription, PanoramicOriginRoundsInTheShowAndTruncatesInTheWallpaper) {
  struct Case {
    const char* stored;
    int show;
    long wallpaper;
  };
  const Case cases[] = {{"12.6", 13, 12}, {"12.5", 12, 12}, {"13.5", 14, 13},
                        {"40", 40, 40},   {"abc", 0, 0},    {"99999999", 32767, 99999999}};
  for (const Case& c : cases) {
    const std::string nfo =
        Nfo("pan.nfo", {"[Panoramic]", std::string("PanoramicOrigin=") + c.stored});
    EXPECT_EQ(ReadSlideDescription(nfo).PanoramicOrigin, c.show) << c.stored;
    EXPECT_EQ(ReadWallpaperDescription(nfo).PanoramicOrigin, c.wallpaper) << c.stored;
  }
}

TEST_F(ImageDescription, PanDirectionIsComparedExactly) {
  struct Case {
    const char* text;
    bool vertical;
    bool horizontal;
  };
  const Case cases[] = {{"TopToBottom", true, false}, {"BottomToTop", true, false},
                        {"LeftToRight", false, true}, {"RightToLeft", false, true},
                        {"bottomtotop", false, false}, {"LEFTTORIGHT", false, false},
                        {" LeftToRight", false, false}, {"", false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsVerticalPanorama(c.text), c.vertical) << c.text;
    EXPECT_EQ(IsHorizontalPanorama(c.text), c.horizontal) << c.text;
    EXPECT_EQ(IsPanoramicDirection(c.text), c.vertical || c.horizontal) << c.text;
  }
}

TEST_F(ImageDescription, LayerTranslucencyIsReadOnlyWithALayerImage) {
  const std::string nfo = Nfo("x.nfo", {"[LayerSS]", "layerTranslucency=40", "[LayerWP]",
                                        "layerImage=wp.bmp", "layerTranslucency=30"});
  EXPECT_EQ(ReadSlideLayer(nfo).layerImage, "");
  EXPECT_EQ(ReadSlideLayer(nfo).layerTranslucency, 0);
  EXPECT_EQ(ReadWallpaperLayer(nfo).layerImage, "wp.bmp");
  EXPECT_EQ(ReadWallpaperLayer(nfo).layerTranslucency, 30);
}

TEST(LayerLevel, StoredValuesBecomePercentages) {
  struct Case {
    long stored;
    long level;
  };
  const Case cases[] = {{0, 0},      {30, 30},      {99, 99},       {100, 99},
                        {101, 0},    {32768, 50},   {65535, 100},   {655, 1},
                        {131070, 100}, {-5, 0}};
  for (const Case& c : cases) EXPECT_EQ(LayerLevel(c.stored), c.level) << c.stored;
}

TEST(Languages, IndexToNameFallsBackToEnglish) {
  const std::pair<long, const char*> cases[] = {{1, "English"}, {2, "French"},  {5, "Japanese"},
                                                {8, "Swedish"}, {0, "English"}, {9, "English"},
                                                {-1, "English"}};
  for (const auto& [index, name] : cases) EXPECT_EQ(LanguageName(index), name) << index;
}

TEST(DescriptionPaths, ListedNameGetsNfoAppendedUnchanged) {
  EXPECT_EQ(DescriptionFile("/sets/", "Sea\\sunset"), "/sets/Sea\\sunset.nfo");
  EXPECT_EQ(DescriptionFile("/sets/", "Sea\\sunset.bmp"), "/sets/Sea\\sunset.bmp.nfo");
  EXPECT_EQ(EntrySetFolder("Sea\\sunset.bmp"), "Sea\\");
  EXPECT_EQ(EntrySetFolder("Sea/Deep\\x"), "Sea/");
  EXPECT_EQ(EntrySetFolder("sunset"), "");
}

TEST_F(ImageDescription, CatalogueFoldersWithBackslashesAndOtherCaseAreFound) {
  Nfo("Sea/Sunset.BMP.nfo", {"[WebLinker]", "URL=found"});
  EXPECT_EQ(ReadSlideDescription(DescriptionFile(Root(), "sea\\sunset.bmp")).URL, "found");
}

TEST_F(ImageDescription, TitleComesFromTheFirstLineWithTheLanguageAndEquals) {
  struct Case {
    std::vector<std::string> lines;
    const char* language;
    const char* title;
  };
  const Case cases[] = {
      {{"[Titles]", "Title.English=Harbour at dusk"}, "English", "Harbour at dusk"},
      {{"[English]", "English=First", "English=Second"}, "English", "First"},
      {{"[x]", "a=b English=c"}, "English", "b English=c"},
      {{"english=lower case", "French=Port"}, "English", ""},
      {{"[French]", "Title.French=Port au soir", "Title.English=Harbour"}, "French",
       "Port au soir"},
      {{"English = spaced"}, "English", ""},
  };
  for (const Case& c : cases) {
    const std::string nfo = Nfo("title.nfo", c.lines);
    EXPECT_EQ(GetTitle(nfo, c.language), c.title) << c.lines.back();
  }
}

TEST_F(ImageDescription, FileWithAByteOrderMarkReadsTheSame) {
  const std::string bom = "\xEF\xBB\xBF";
  WriteFile(root_ / "bom.nfo", bom + "[English]\r\nEnglish=Hafen\r\n[Panoramic]\r\n"
                               "PanDirection=LeftToRight\r\n");
  WriteFile(root_ / "v2.nfo", bom + "[English]\r\nimageTitle=Hafen\r\nURL=http://x\r\n");
  const std::string nfo = (root_ / "bom.nfo").string();
  EXPECT_TRUE(IsUtf8DescriptionFile(nfo));
  EXPECT_FALSE(IsUtf8DescriptionFile(Nfo("plain.nfo", {"English=Harbour"})));
  EXPECT_EQ(GetTitle(nfo, "English"), "Hafen");
  EXPECT_EQ(ReadSlideDescription(nfo).PanDirection, "LeftToRight");
  const CreditsBlock block = ReadCreditsVersion2((root_ / "v2.nfo").string(), "English");
  ASSERT_EQ(block.entries.size(), 2u);
  EXPECT_EQ(block.entries[0].key, "imageTitle");
}

TEST_F(ImageDescription, PanelReadsTheLanguageFileFromTheSetFolder) {
  Nfo("Sea/pic.nfo", {"[English]", "File=notes.txt", "[German]", "File="});
  EXPECT_EQ(PanelTextFile(Root(), "Sea\\pic", "English"), Root() + "Sea\\notes.txt");
  EXPECT_EQ(PanelTextFile(Root(), "Sea\\pic", "German"), Root() + "Sea\\pic.nfo");
  EXPECT_EQ(PanelTextFile(Root(), "Sea\\pic", "French"), Root() + "Sea\\pic.nfo");
  Nfo("top.nfo", {"[English]", "File=top.txt"});
  EXPECT_EQ(PanelTextFile(Root(), "top", "English"), Root() + "top.txt");
}

TEST_F(ImageDescription, CreditsVersion1AndPhotoNfo) {
  const std::string nfo = Nfo("Sea/sunset.nfo", {"[info]", "version=1", "[sunset]",
                                                 "PictureInfo=Sunset over the bay",
                                                 "ImageNumber=A-17"});
  WriteFile(root_ / "Sea/photo.nfo", "[Info]\r\nPrintOrder=Order 5\r\nPhoto=Jane Roe\r\n");
  EXPECT_EQ(ReadCreditsVersion(nfo), "1");
  const CreditsVersion1 v1 = ReadCreditsVersion1(nfo, "sunset");
  EXPECT_EQ(v1.PictureInfo, "Sunset over the bay");
  EXPECT_EQ(v1.ImageNumber, "A-17");
  EXPECT_EQ(ReadCreditsVersion1(nfo, "").PictureInfo, "Not Available");
  const PhotoCredits photo = ReadPhotoCredits(Root() + "Sea\\");
  EXPECT_EQ(photo.PrintOrder, "Order 5");
  EXPECT_EQ(photo.Photo, "Jane Roe");
}

TEST_F(ImageDescription, CreditsVersion2BlockWithContinuationLines) {
  const std::string nfo = Nfo(
      "v2.nfo",
      {"[info]", "version=2", "[English]", "imageTitle=Harbour ", "at dusk",
       "imageCredit=Jane Roe", "imageInfo=Line one", "line two", "", "line three",
       "imageMore=More", "m1", "m2", "m3", "URL=http://example.org/a=b",
       "not a continuation of anything", "imageTitlePrompt=Title:", "[French]",
       "imageTitle=Port", "webButton=Visit"});
  EXPECT_EQ(ReadCreditsVersion(nfo), "2");
  const CreditsBlock block = ReadCreditsVersion2(nfo, "English");
  ASSERT_TRUE(block.found);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"imageTitle", "Harbour at dusk\r\n"},
      {"imageCredit", "Jane Roe"},
      {"imageInfo", "Line oneline two\r\nline three\r\n"},
      {"imageMore", "Morem1\r\nm2\r\n"},
      {"URL", "http://example.org/a=b"},
      {"imageTitlePrompt", "Title:"},
  };
  ASSERT_EQ(block.entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(block.entries[i].key, expected[i].first) << i;
    EXPECT_EQ(block.entries[i].value, expected[i].second) << i;
  }

  const CreditsBlock french = ReadCreditsVersion2(nfo, "French");
  ASSERT_TRUE(french.found);
  ASSERT_EQ(french.entries.size(), 2u) << "the file's last line is a key like any other";
  EXPECT_EQ(french.entries[1].key, "webButton");
  EXPECT_FALSE(ReadCreditsVersion2(nfo, "German").found);
  EXPECT_FALSE(ReadCreditsVersion2(nfo, "english").found) << "the header is case-sensitive";
}

TEST_F(ImageDescription, CreditsVersion2KeyDirectlyAfterAContinuationIsKept) {
  const std::string nfo = Nfo("v2.nfo", {"[English]", "imageTitle=Harbour", "at dusk",
                                         "imageCredit=Jane Roe", "imageInfo=Only",
                                         "[German]"});
  const CreditsBlock block = ReadCreditsVersion2(nfo, "English");
  ASSERT_EQ(block.entries.size(), 3u);
  EXPECT_EQ(block.entries[1].key, "imageCredit");
  EXPECT_EQ(block.entries[1].value, "Jane Roe");
  EXPECT_EQ(block.entries[2].value, "Only") << "continuation stops at the next section";
}

TEST_F(ImageDescription, SetSoundsAreDistinctNamesInFolderOrder) {
  Nfo("Sea/b.nfo", {"[Sound]", "defaultSound=Wave.wav"});
  Nfo("Sea/a.nfo", {"[sound]", "defaultsound=wave.WAV"});
  Nfo("Sea/c.NFO", {"[Sound]", "defaultSound=gulls.wav"});
  Nfo("Sea/d.nfo", {"[Panoramic]", "PanDirection=LeftToRight"});
  Nfo("Sea/e.txt", {"[Sound]", "defaultSound=ignored.wav"});
  Nfo("Sea/f.nfo", {"[Sound]", "defaultSound=bell.wav"});
  EXPECT_EQ(CollectSetSounds(Root() + "Sea\\"),
            (std::vector<std::string>{"wave.wav", "gulls.wav", "bell.wav"}));
  EXPECT_TRUE(CollectSetSounds(Root() + "Nowhere/").empty());
}

}  // namespace
}  // namespace orvane::core
