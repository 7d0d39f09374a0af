// The slide overlay: which layer each slide gets, and where it is blended.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "imaging/imaging.h"
#include "saver/SlideOverlay.h"
#include "tests/support/testenv.h"

namespace orvane::saver {
namespace {

using test::MakeTempDir;
using test::WriteFile;

// Rnd answers from a script, so random picks can be checked.
class ScriptedRandom : public platform::RandomSource {
 public:
  explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
  float Rnd() override { return values_.at(next_++ % values_.size()); }
  void Script(std::vector<float> values) {
    values_ = std::move(values);
    next_ = 0;
  }

 private:
  std::vector<float> values_;
  std::size_t next_ = 0;
};

class SlideOverlay : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = MakeTempDir("program");
    sources_.imageSetRoot = root_.string() + "/";
    sources_.setFolder = "Sea\\";
    sources_.descriptionFile = sources_.imageSetRoot + "Sea\\pic.nfo";
    sources_.companyFile = sources_.imageSetRoot + "Sea\\company.ini";
  }
  void Company(const std::string& layerSS) {
    WriteFile(root_ / "Sea/company.ini", "[LayerSS]\r\n" + layerSS);
  }
  void Nfo(const std::string& layerSS) {
    WriteFile(root_ / "Sea/pic.nfo", "[LayerSS]\r\n" + layerSS);
  }
  // One slide as the preparation runs it: counted, then its layer chosen. Returns
  // the chosen file's name (empty for none).
  std::string Slide(bool titlePage = false) {
    fields_.IsTitlePage = titlePage;
    fields_.SlideCounter += 1;
    ChooseLayer(fields_, sources_, random_);
    if (fields_.LayerFile.empty()) return {};
    return fields_.LayerFile.substr(fields_.LayerFile.rfind('/') + 1);
  }
  std::string Path(const std::string& name) const { return root_.string() + "/Sea/" + name; }

  std::filesystem::path root_;
  LayerSources sources_;
  SlideOverlayFields fields_;
  ScriptedRandom random_{{0.0f}};
};

TEST_F(SlideOverlay, CompanyListAlternatesAtOneLevel) {
  Company("layerImage=a.bmp,b.bmp\r\nlayerTranslucency=30\r\n");
  for (const char* expected : {"a.bmp", "b.bmp", "a.bmp", "b.bmp"}) {
    EXPECT_EQ(Slide(), expected);
    EXPECT_EQ(fields_.LayerTranslucency, 30);
  }
  EXPECT_EQ(fields_.LayerFile, Path("b.bmp")) << "root & set folder & name, with / separators";
  EXPECT_EQ(fields_.LayerFrequency, 1);
}

TEST_F(SlideOverlay, LevelsPerFileAndTheMissingLevelRule) {
  struct Case {
    const char* layerSS;
    std::vector<std::pair<const char*, long>> slides;
  };
  const Case cases[] = {
      {"layerImage=a.bmp,b.bmp\r\nlayerTranslucency=30,40,70\r\n",
       {{"a.bmp", 30}, {"b.bmp", 40}, {"a.bmp", 30}}},
      {"layerImage=a.bmp,b.bmp,c.bmp\r\nlayerTranslucency=30,40\r\n",
       {{"a.bmp", 30}, {"b.bmp", 40}, {"c.bmp", 50}, {"a.bmp", 30}}},
      {"layerImage=a.bmp\r\nlayerTranslucency=100\r\n", {{"a.bmp", 99}}},
      {"layerImage=a.bmp\r\nlayerTranslucency=65535\r\n", {{"a.bmp", 100}}},
      {"layerImage=a.bmp,b.bmp\r\nlayerTranslucency=32768,101\r\n",
       {{"a.bmp", 50}, {"b.bmp", 0}}},
      {"layerImage=a.bmp\r\n", {{"a.bmp", 50}}},
      {"layerImage=a.bmp\r\nlayerTranslucency=12.5\r\n", {{"a.bmp", 12}}},
  };
  for (const Case& c : cases) {
    fields_ = SlideOverlayFields{};
    Company(c.layerSS);
    for (const auto& [name, level] : c.slides) {
      EXPECT_EQ(Slide(), name) << c.layerSS;
      EXPECT_EQ(fields_.LayerTranslucency, level) << c.layerSS << name;
    }
  }
}

TEST_F(SlideOverlay, FrequencyThreeGivesEveryThirdSlideAnOverlay) {
  Company("layerImage=a.bmp,b.bmp\r\nlayerTranslucency=0\r\nlayerFrequency=3\r\n");
  std::vector<std::string> got;
  for (int i = 0; i < 7; ++i) got.push_back(Slide());
  EXPECT_EQ(got, (std::vector<std::string>{"", "", "a.bmp", "", "", "b.bmp", ""}));
  EXPECT_EQ(fields_.LayerFrequency, 3);
}

TEST_F(SlideOverlay, DescriptionOverlayIsUsedOnEverySlideWhateverTheFrequency) {
  Company("layerImage=a.bmp\r\nlayerFrequency=3\r\n");
  Nfo("layerImage=own.bmp\r\nlayerTranslucency=32768\r\n");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Slide(), "own.bmp");
    EXPECT_EQ(fields_.LayerTranslucency, 50);
  }
  EXPECT_EQ(fields_.SlideCounter, 4) << "the company count runs on";
  EXPECT_EQ(fields_.LayerIndex, 1);
}

TEST_F(SlideOverlay, TitlePageDrawsNothingButAdvancesTheList) {
  Company("layerImage=a.bmp,b.bmp\r\nlayerTranslucency=30\r\n");
  EXPECT_EQ(Slide(true), "");
  EXPECT_EQ(fields_.LayerIndex, 2);
  EXPECT_EQ(fields_.SlideCounter, 0);
  EXPECT_EQ(Slide(), "b.bmp");

  Nfo("layerImage=own.bmp\r\n");
  EXPECT_EQ(Slide(true), "") << "not even the image's own overlay";
}

TEST_F(SlideOverlay, AllSetsPicksAtRandom) {
  Company("layerImage=a.bmp,b.bmp,c.bmp\r\nlayerTranslucency=10,20,30\r\n");
  fields_.AllSets = true;
  random_.Script({0.0f, 0.999f, 0.5f, 0.34f, 0.99999994f});
  for (const auto& [name, level] : std::vector<std::pair<std::string, long>>{
           {"a.bmp", 10}, {"c.bmp", 30}, {"b.bmp", 20}, {"b.bmp", 20}, {"c.bmp", 30}}) {
    EXPECT_EQ(Slide(), name);
    EXPECT_EQ(fields_.LayerTranslucency, level);
  }
  EXPECT_EQ(fields_.LayerIndex, 1) << "list order is not touched";
}

TEST_F(SlideOverlay, PickLayerLeavesTheLevelAloneWithoutFiles) {
  long level = 42;
  fields_.SlideCounter = 5;
  EXPECT_EQ(PickLayer(fields_, "", "30", level), "");
  EXPECT_EQ(level, 42);
  EXPECT_EQ(fields_.SlideCounter, 5);
  EXPECT_EQ(PickLayer(fields_, "x.bmp, y.bmp", "30", level, random_), "x.bmp");
  EXPECT_EQ(PickLayer(fields_, "x.bmp, y.bmp", "30", level, random_), " y.bmp")
      << "names are not trimmed";
}

class BlendLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("layers");
    // A white 4 x 3 layer.
    const imaging::Handle white = imaging::CreateBitMap(4, 3, 255, 255, 255);
    ASSERT_GE(white, 0);
    ASSERT_TRUE(imaging::SaveBitmap((dir_ / "logo.bmp").string(), white));
    imaging::UnloadBitMap(white);
    slide_ = imaging::CreateWorkBuff(40, 30, 0, 0);
    ASSERT_GE(slide_, 0);
  }
  void TearDown() override { imaging::DestroyWorkBuff(slide_); }
  unsigned At(int x, int y) const {
    return imaging::WorkBuffImage(slide_).pixel(x, y) & 0xFFFFFFu;
  }
  std::filesystem::path dir_;
  imaging::Handle slide_ = -1;
};

TEST_F(BlendLayerTest, SitsTwentyPixelsInFromThePanStartCorner) {
  SlideOverlayFields fields;
  fields.LayerFile = dir_.string() + "/LOGO.bmp";
  // A 30 x 25 screen; the strip pans from its right end, 10 pixels further on.
  BlendLayer(fields, slide_, 10, 0, 30, 25);
  // x = 30 - 4 - 20 + 10 = 16, y = 25 - 3 - 20 = 2.
  const std::vector<std::pair<int, int>> inside = {{16, 2}, {19, 2}, {16, 4}, {19, 4}};
  const std::vector<std::pair<int, int>> outside = {{15, 2}, {20, 2}, {16, 1}, {16, 5}, {6, 2}};
  for (const auto& [x, y] : inside) EXPECT_EQ(At(x, y), 0xFFFFFFu) << x << "," << y;
  for (const auto& [x, y] : outside) EXPECT_EQ(At(x, y), 0u) << x << "," << y;
}

TEST_F(BlendLayerTest, OnAScaledScreenThePictureAndItsMarginGrowByTheRatio) {
  struct Case {
    double ratio;
    int left, top, width, height;  // where the white layer lands on the 40 x 30 slide
  } cases[] = {
      {2.0, 40 - 8 - 40, 30 - 6 - 40 + 20, 8, 6},  // 8 x 6, 40 in; the slide pans 20 down
      {1.5, 40 - 6 - 30, 30 - 5 - 30 + 20, 6, 5},  // 6 x 5 (4.5 rounded up), 30 in
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ratio);
    const imaging::Handle slide = imaging::CreateWorkBuff(40, 30, 0, 0);
    SlideOverlayFields fields;
    fields.LayerFile = dir_.string() + "/logo.bmp";
    BlendLayer(fields, slide, 0, 20, 40, 30, c.ratio);
    const QImage image = imaging::WorkBuffImage(slide);
    const QRect layer(c.left, c.top, c.width, c.height);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, layer.contains(x, y) ? 0xFFFFFFu : 0u) << x << "," << y;
    imaging::DestroyWorkBuff(slide);
  }
  EXPECT_EQ(imaging::LiveHandleCount(), 1) << "only the fixture's slide is left";
}

TEST_F(BlendLayerTest, MixesAtTheTranslucencyAndSkipsWhatDoesNotLoad) {
  SlideOverlayFields fields;
  fields.LayerFile = dir_.string() + "/logo.bmp";
  fields.LayerTranslucency = 50;
  BlendLayer(fields, slide_, 0, 0, 40, 30);
  const unsigned mixed = At(16 + 2, 7 + 1) & 0xFFu;  // x = 40 - 4 - 20, y = 30 - 3 - 20
  EXPECT_NEAR(static_cast<int>(mixed), 127, 1);

  const imaging::Handle other = imaging::CreateWorkBuff(40, 30, 0, 0);
  fields.LayerFile = dir_.string() + "/missing.bmp";
  BlendLayer(fields, other, 0, 0, 40, 30);
  fields.LayerFile.clear();
  BlendLayer(fields, other, 0, 0, 40, 30);
  const QImage image = imaging::WorkBuffImage(other);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, 0u) << x << "," << y;
  imaging::DestroyWorkBuff(other);
}

}  // namespace
}  // namespace orvane::saver
