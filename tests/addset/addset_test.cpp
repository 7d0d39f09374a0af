// A folder of pictures made into an image set: its "images.ini" as the
// catalogue reads it, thumbnails, the set folder of links in the program
// folder with nothing written among the pictures, a re-run after pictures came
// and went, a moved folder, a set an earlier version kept among the pictures,
// names of every kind, bad input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "addset/AddSet.h"
#include "addset/SetPictures.h"
#include "addset/Thumbnail.h"
#include "core/Catalogue.h"
#include "core/FirstStart.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "imaging/imaging.h"
#include "platform/folders.h"
#include "platform/textcodec.h"
#include "platform/vbcontrols.h"
#include "tests/support/testenv.h"

namespace {

namespace fs = std::filesystem;
using orvane::addset::AddSet;
using orvane::addset::AddSetReport;
using orvane::addset::AddSetRequest;
using orvane::addset::AddSetStatus;
using orvane::test::ReadFile;
using orvane::test::WriteFile;

void WritePicture(const fs::path& path, int width, int height, QColor colour, const char* format = "JPEG") {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format)) << path;
}

std::vector<std::string> Keys(const std::string& section, const std::string& file) {
  std::string list = orvane::core::GetIniString(section, "", "", file);
  std::vector<std::string> keys;
  for (std::size_t end; (end = list.find('\0')) != std::string::npos; list.erase(0, end + 1))
    keys.push_back(list.substr(0, end));
  return keys;
}

// The size of a BMP file's picture, as the imaging library reads it.
std::pair<int, int> BitmapSize(const std::string& file) {
  const orvane::imaging::Handle bitmap = orvane::imaging::LoadBitMap(file);
  if (bitmap <= orvane::imaging::kNoHandle) return {0, 0};
  const std::pair<int, int> size{orvane::imaging::GetGCBitmapWidth(bitmap), orvane::imaging::GetGCBitmapHeight(bitmap)};
  orvane::imaging::UnloadBitMap(bitmap);
  return size;
}

// Every file in a folder with its bytes (links followed), for "nothing changed".
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    files[fs::relative(entry.path(), folder).string()] = entry.is_directory() ? "(folder)" : ReadFile(entry.path());
  return files;
}

class AddSetTest : public testing::Test {
 protected:
  void SetUp() override {
    // A starter set, so that names can be taken by another set.
    starter = orvane::test::MakeTempDir("starter");
    WriteFile(starter / "Sea/images.ini", "[SetDescriptions]\r\nSea=Sea/\r\n\r\n[Sea]\r\n");
    ASSERT_EQ(orvane::core::MakeProgramFolderIfNone(starter.string() + "/", orvane::core::UserProgramFolder()).result,
              orvane::core::FirstStartResult::Made);
    program = orvane::core::UserProgramFolder();
    settings = orvane::platform::LocalAppDataFolder();
    catalogue = settings + "Orvane.ini";
    holiday = orvane::test::MakeTempDir("Pictures/Holiday");
    WritePicture(holiday / "Harbour = dawn.jpg", 400, 300, Qt::blue);
    WritePicture(holiday / "[Beach] day.JPEG", 300, 400, Qt::yellow);
    WritePicture(holiday / "Caf\u00e9 terrace.jpg", 640, 200, Qt::red);
    WritePicture(holiday / "scan.bmp", 200, 200, Qt::green, "BMP");
    WriteFile(holiday / "broken.jpg", "not a picture");
    WriteFile(holiday / "notes.txt", "not a picture either");
    WritePicture(holiday / ".hidden.jpg", 10, 10, Qt::black);
  }

  AddSetReport Run(const fs::path& folder, const std::string& name = "") {
    return AddSet(AddSetRequest{folder.string(), name, program, settings, {}, {}});
  }

  // The set as the show and the dialog find it: every entry's picture and its
  // thumbnail open through the catalogue's own paths.
  void ExpectPlayable(const std::string& setName, const std::string& setFolder, std::size_t count) {
    const auto refresh = orvane::core::RefreshCatalogue(settings, program);
    ASSERT_EQ(refresh.status, orvane::core::CatalogueStatus::Refreshed);
    EXPECT_EQ(orvane::core::GetIniString("SetDescriptions", setName, "", catalogue), setFolder);
    const std::vector<std::string> keys = Keys(setName, catalogue);
    EXPECT_EQ(keys.size(), count);
    for (const std::string& key : keys) {
      std::string file = orvane::core::GetIniString(setName, key, "", catalogue);
      if (!file.empty() && file.front() == '*') file.erase(0, 1);
      SCOPED_TRACE(key + " = " + file);
      const std::string picture = orvane::core::OpenableSetPath(program + setFolder + file);
      const orvane::imaging::Handle buffer = orvane::imaging::LoadWorkBuff(picture);
      EXPECT_GT(buffer, orvane::imaging::kNoHandle);
      orvane::imaging::DestroyWorkBuff(buffer);
      const auto [width, height] = BitmapSize(orvane::core::OpenableSetPath(program + setFolder + file + ".bmp"));
      EXPECT_TRUE((width == 160 && height <= 120) || (height == 120 && width <= 160)) << width << "x" << height;
    }
  }

  fs::path starter, holiday;
  std::string program, settings, catalogue;
};

TEST_F(AddSetTest, EveryReadablePictureBecomesAnEntryWithItsThumbnail) {
  const auto pictures = Snapshot(holiday);
  const AddSetReport report = Run(holiday);
  ASSERT_EQ(report.status, AddSetStatus::Made) << report.message;
  EXPECT_EQ(report.pictures, 4u);
  EXPECT_EQ(report.setFolder, program + "Holiday/");
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_NE(report.warnings[0].find("broken.jpg"), std::string::npos) << report.warnings[0];
  EXPECT_EQ(Snapshot(holiday), pictures) << "nothing is written among the pictures";
  const fs::path set = program + "Holiday";

  // CRLF, windows-1252, name order, names made keys ("=" and a leading "["),
  // every file named with its extension, the set's section last.
  EXPECT_EQ(ReadFile(set / "images.ini"),
            "[SetDescriptions]\r\nHoliday=Holiday/\r\n\r\n[Holiday]\r\n"
            "(Beach) day=[Beach] day.JPEG\r\n"
            "Caf\xe9 terrace=Caf\xe9 terrace.jpg\r\n"
            "Harbour - dawn=Harbour = dawn.jpg\r\n"
            "scan=scan.bmp\r\n");
  EXPECT_FALSE(fs::is_symlink(set));
  EXPECT_EQ(fs::read_symlink(set / "Harbour = dawn.jpg"), holiday / "Harbour = dawn.jpg");
  EXPECT_EQ(ReadFile(set / ".orvane-source"), holiday.string() + "\n");
  EXPECT_EQ(BitmapSize((set / "Harbour = dawn.jpg.bmp").string()), std::make_pair(160, 120));
  EXPECT_EQ(BitmapSize((set / "[Beach] day.JPEG.bmp").string()), std::make_pair(90, 120));
  EXPECT_EQ(BitmapSize((set / "Caf\u00e9 terrace.jpg.bmp").string()), std::make_pair(160, 50));
  ExpectPlayable("Holiday", "Holiday/", 4);

  // Run again unchanged: the same set, and no thumbnail taken for a picture.
  const AddSetReport again = Run(holiday);
  ASSERT_EQ(again.status, AddSetStatus::Updated) << again.message;
  EXPECT_EQ(again.added + again.dropped, 0u);
  EXPECT_EQ(Keys("Holiday", catalogue).size(), 4u);
  EXPECT_EQ(Snapshot(holiday), pictures);
  for (const auto& entry : fs::directory_iterator(program))
    EXPECT_NE(entry.path().filename().string().rfind(".orvane-add-set-", 0), 0u) << "no work folder is left";
}

TEST_F(AddSetTest, NamesThatClashAndNamesOutsideTheCodePageStaySeparateEntries) {
  const fs::path folder = orvane::test::MakeTempDir("Clash");
  WritePicture(folder / "sunset.jpg", 80, 60, Qt::red);
  WritePicture(folder / "Sunset.bmp", 80, 60, Qt::blue, "BMP");
  WritePicture(folder / "\u6771\u4eac.jpg", 80, 60, Qt::green);
  // The set's name as the catalogue can hold it; its folder keeps the name given.
  const AddSetReport report = Run(folder, "\u6771\u4eac = trip");
  ASSERT_EQ(report.status, AddSetStatus::Made) << report.message;
  const std::string setName = "\u6771\u4eac - trip";
  EXPECT_EQ(report.setName, setName);
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_NE(report.warnings[0].find("the set is named \"" + setName + "\""), std::string::npos) << report.warnings[0];
  // A name windows-1252 cannot hold makes the file UTF-8 after a byte-order mark.
  const std::string ini = ReadFile(program + "\u6771\u4eac = trip/images.ini");
  EXPECT_EQ(ini.rfind("\xEF\xBB\xBF[SetDescriptions]\r\n", 0), 0u) << ini;
  EXPECT_NE(ini.find("\r\nSunset=Sunset.bmp\r\nsunset (2)=sunset.jpg\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("\r\n\u6771\u4eac=\u6771\u4eac.jpg\r\n"), std::string::npos) << ini;
  EXPECT_TRUE(fs::is_directory(program + "\u6771\u4eac = trip"));
  ExpectPlayable(setName, "\u6771\u4eac = trip/", 3);
}

// Set names the catalogue could not hold as sections are made ones it can.
TEST_F(AddSetTest, SetNamesAreMadeSectionsOfTheirOwn) {
  const fs::path wallpaper = orvane::test::MakeTempDir("Wallpaper");
  WritePicture(wallpaper / "a.jpg", 40, 30, Qt::red);
  const AddSetReport own = Run(wallpaper);
  ASSERT_TRUE(own.ok()) << own.message;
  EXPECT_EQ(own.setName, "Wallpaper (set)");
  ExpectPlayable("Wallpaper (set)", "Wallpaper/", 1);

  const fs::path best = orvane::test::MakeTempDir("Best");
  WritePicture(best / "a.jpg", 40, 30, Qt::red);
  const AddSetReport named = Run(best, " My [best] = photos ");
  ASSERT_TRUE(named.ok()) << named.message;
  EXPECT_EQ(named.setName, "My (best) - photos");
  ExpectPlayable("My (best) - photos", "My [best] = photos/", 1);
}

TEST_F(AddSetTest, ARunAfterChangesAddsAndDropsButKeepsNamesAndExclusions) {
  ASSERT_TRUE(Run(holiday).ok());
  orvane::core::RefreshCatalogue(settings, program);
  // The user excludes one picture and renames another in the set file.
  orvane::core::WriteIni("Holiday", "scan", "*scan.bmp", catalogue);
  const fs::path set = program + "Holiday";
  std::string ini = ReadFile(set / "images.ini");
  ini.replace(ini.find("Harbour - dawn="), 14, "Harbour at dawn");
  WriteFile(set / "images.ini", ini);
  orvane::core::WriteIni("Holiday", "Harbour at dawn", "Harbour = dawn.jpg", catalogue);

  fs::remove(holiday / "[Beach] day.JPEG");
  WritePicture(holiday / "Lighthouse.jpg", 160, 120, Qt::white);
  const AddSetReport report = Run(holiday);
  ASSERT_EQ(report.status, AddSetStatus::Updated) << report.message;
  EXPECT_EQ(report.added, 1u);
  EXPECT_EQ(report.dropped, 1u);
  EXPECT_FALSE(fs::exists(set / "[Beach] day.JPEG.bmp"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(set / "[Beach] day.JPEG")));
  EXPECT_TRUE(fs::exists(set / "Lighthouse.jpg.bmp"));
  EXPECT_EQ(Keys("Holiday", catalogue),
            (std::vector<std::string>{"Caf\xe9 terrace", "Harbour at dawn", "Lighthouse", "scan"}));
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "scan", "", catalogue), "*scan.bmp");
  EXPECT_EQ(Keys("Holiday", (set / "images.ini").string()), Keys("Holiday", catalogue));
  ExpectPlayable("Holiday", "Holiday/", 4);

  // A new picture under the name of an excluded one that is gone is a picture
  // of its own, shown, not the old entry's excluded file.
  fs::remove(holiday / "scan.bmp");
  WritePicture(holiday / "Scan.jpg", 160, 120, Qt::gray);
  ASSERT_EQ(Run(holiday).status, AddSetStatus::Updated);
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "scan", "", catalogue), "Scan.jpg");
  ExpectPlayable("Holiday", "Holiday/", 4);
}

// A folder moved elsewhere is added again at its new place: the set folder
// made for it stands for it now, and what the user excluded stays excluded.
TEST_F(AddSetTest, AMovedFolderTakesTheBrokenLinksPlace) {
  ASSERT_TRUE(Run(holiday).ok());
  orvane::core::RefreshCatalogue(settings, program);
  orvane::core::WriteIni("Holiday", "scan", "*scan.bmp", catalogue);
  const fs::path moved = orvane::test::TempRoot() / "Elsewhere/Holiday";
  fs::create_directories(moved.parent_path());
  fs::rename(holiday, moved);
  const AddSetReport report = Run(moved);
  ASSERT_EQ(report.status, AddSetStatus::Made) << report.message;
  ASSERT_EQ(report.warnings.size(), 2u);  // the set folder taken over, and broken.jpg
  EXPECT_NE(report.warnings[0].find("the set folder " + program + "Holiday/ of " + holiday.string() + ", which is gone"),
            std::string::npos)
      << report.warnings[0];
  EXPECT_EQ(fs::read_symlink(program + "Holiday/scan.bmp"), moved / "scan.bmp");
  EXPECT_EQ(ReadFile(program + "Holiday/.orvane-source"), moved.string() + "\n");
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "scan", "", catalogue), "*scan.bmp");
  ExpectPlayable("Holiday", "Holiday/", 4);
}

TEST_F(AddSetTest, AFolderThatCannotBeWrittenGetsASetFolderOfLinks) {
  fs::permissions(holiday, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const AddSetReport report = Run(holiday, "Summer");
  ASSERT_EQ(report.status, AddSetStatus::Made) << report.message;
  EXPECT_EQ(report.setFolder, program + "Summer/");
  EXPECT_FALSE(fs::exists(holiday / "images.ini"));
  EXPECT_FALSE(fs::is_symlink(program + "Summer"));
  EXPECT_EQ(fs::read_symlink(program + "Summer/scan.bmp"), holiday / "scan.bmp");
  EXPECT_FALSE(fs::exists(fs::symlink_status(program + "Summer/broken.jpg"))) << "no link to what cannot be shown";
  ExpectPlayable("Summer", "Summer/", 4);

  fs::permissions(holiday, fs::perms::owner_write, fs::perm_options::add);
  fs::remove(holiday / "scan.bmp");
  WritePicture(holiday / "Lighthouse.jpg", 160, 120, Qt::white);
  fs::permissions(holiday, fs::perms::owner_write, fs::perm_options::remove);
  const AddSetReport again = Run(holiday);  // found by its folder, name not needed
  ASSERT_EQ(again.status, AddSetStatus::Updated) << again.message;
  EXPECT_EQ(again.setName, "Summer");
  EXPECT_FALSE(fs::exists(fs::symlink_status(program + "Summer/scan.bmp")));
  EXPECT_FALSE(fs::exists(program + "Summer/scan.bmp.bmp"));
  EXPECT_TRUE(fs::is_symlink(program + "Summer/Lighthouse.jpg"));
  ExpectPlayable("Summer", "Summer/", 4);
  fs::permissions(holiday, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(AddSetTest, BadInputIsToldAndChangesNothing) {
  const fs::path empty = orvane::test::MakeTempDir("Empty");
  WriteFile(empty / "readme.txt", "no pictures");
  const fs::path unreadable = orvane::test::MakeTempDir("Unreadable");
  WriteFile(unreadable / "a.jpg", "no picture");
  const fs::path lockedUnreadable = orvane::test::MakeTempDir("Locked");
  WriteFile(lockedUnreadable / "a.jpg", "no picture");
  fs::permissions(lockedUnreadable, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const fs::path taken = orvane::test::MakeTempDir("Other");
  WritePicture(taken / "a.jpg", 40, 30, Qt::red);
  WriteFile(orvane::test::TempRoot() / "file.jpg", "a file");
  ASSERT_TRUE(Run(holiday).ok());
  const auto before = ReadFile(program + "Holiday/images.ini");

  struct Case {
    fs::path folder;
    std::string name;
    AddSetStatus status;
    std::string message;
  } cases[] = {
      {orvane::test::TempRoot() / "missing", "", AddSetStatus::NoSuchFolder, "no such folder: "},
      {orvane::test::TempRoot() / "file.jpg", "", AddSetStatus::NoSuchFolder, "no such folder: "},
      {empty, "", AddSetStatus::NoPictures, "holds no pictures"},
      {unreadable, "", AddSetStatus::NoPictures, "holds no pictures"},
      {lockedUnreadable, "", AddSetStatus::NoPictures, "holds no pictures"},
      {taken, "Sea", AddSetStatus::NameTaken, "the name \"Sea\" is taken by another image set"},
      {taken, "holiday", AddSetStatus::NameTaken, "is taken by another image set"},
      {holiday, "Winter", AddSetStatus::NameTaken, "is the image set \"Holiday\" already"},
      {program, "", AddSetStatus::NameTaken, "is the program folder itself"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.string() + " " + c.name);
    const AddSetReport report = Run(c.folder, c.name);
    EXPECT_EQ(report.status, c.status);
    EXPECT_FALSE(report.ok());
    EXPECT_NE(report.message.find(c.message), std::string::npos) << report.message;
  }
  EXPECT_FALSE(fs::exists(empty / "images.ini"));
  EXPECT_FALSE(fs::exists(unreadable / "images.ini"));
  EXPECT_FALSE(fs::exists(program + "Unreadable"));
  EXPECT_FALSE(fs::exists(program + "Locked")) << "no set folder is left of a folder without pictures";
  EXPECT_FALSE(fs::exists(taken / "images.ini"));
  EXPECT_FALSE(fs::exists(program + "Other"));
  EXPECT_EQ(ReadFile(program + "Holiday/images.ini"), before);
}

}  // namespace

namespace {

// A set an earlier version kept among the pictures ("images.ini" and
// thumbnails beside them, the folder linked into the program folder) is
// brought over: the files that version wrote go, the user's own stay, and the
// names and exclusions of the catalogue are kept.
TEST_F(AddSetTest, ASetKeptAmongThePicturesIsBroughtOver) {
  // The user's own bitmap under a thumbnail's name: no thumbnail's size.
  WritePicture(holiday / "scan.bmp.bmp", 640, 480, Qt::cyan, "BMP");
  const auto pictures = Snapshot(holiday);
  WriteFile(holiday / "images.ini",
            "[SetDescriptions]\r\nHoliday=Holiday/\r\n\r\n[Holiday]\r\n"
            "Caf\xe9 terrace=Caf\xe9 terrace.jpg\r\nHarbour at dawn=Harbour = dawn.jpg\r\n"
            "scan=scan.bmp\r\nGone=gone.jpg\r\n");
  for (const char* picture : {"Caf\u00e9 terrace.jpg", "Harbour = dawn.jpg"})
    ASSERT_EQ(orvane::addset::MakeThumbnail((holiday / picture).string(), (holiday / picture).string() + ".bmp",
                                            (holiday / ".t.bmp").string()),
              orvane::addset::ThumbnailResult::Made);
  ASSERT_EQ(orvane::addset::MakeThumbnail((holiday / "scan.bmp").string(), (holiday / "gone.jpg.bmp").string(),
                                          (holiday / ".t.bmp").string()),
            orvane::addset::ThumbnailResult::Made);
  fs::create_directory_symlink(holiday, program + "Holiday");
  orvane::core::RefreshCatalogue(settings, program);
  orvane::core::WriteIni("Holiday", "scan", "*scan.bmp", catalogue);

  const AddSetReport report = Run(holiday);
  ASSERT_EQ(report.status, AddSetStatus::Updated) << report.message;
  EXPECT_EQ(report.added, 1u);  // [Beach] day.JPEG, which the old set lacked
  EXPECT_EQ(report.dropped, 1u);
  EXPECT_EQ(Snapshot(holiday), pictures) << "only what the earlier version wrote is gone";
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(program + "Holiday")));
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "Harbour at dawn", "", catalogue), "Harbour = dawn.jpg");
  EXPECT_EQ(orvane::core::GetIniString("Holiday", "scan", "", catalogue), "*scan.bmp");
  ExpectPlayable("Holiday", "Holiday/", 4);

  // A set file the earlier version did not write as it stands is kept, with
  // the thumbnails beside it.
  const fs::path trip = orvane::test::MakeTempDir("Trip");
  WritePicture(trip / "a.jpg", 80, 60, Qt::red);
  WriteFile(trip / "images.ini", "; my notes\r\n[SetDescriptions]\r\nTrip=Trip/\r\n\r\n[Trip]\r\na=a.jpg\r\n");
  ASSERT_EQ(orvane::addset::MakeThumbnail((trip / "a.jpg").string(), (trip / "a.jpg.bmp").string(),
                                          (trip / ".t.bmp").string()),
            orvane::addset::ThumbnailResult::Made);
  fs::create_directory_symlink(trip, program + "Trip");
  const auto tripFiles = Snapshot(trip);
  const AddSetReport kept = Run(trip);
  ASSERT_TRUE(kept.ok()) << kept.message;
  ASSERT_EQ(kept.warnings.size(), 1u);
  EXPECT_NE(kept.warnings[0].find("kept " + trip.string() + "/images.ini"), std::string::npos) << kept.warnings[0];
  EXPECT_EQ(Snapshot(trip), tripFiles);
  EXPECT_TRUE(fs::exists(program + "Trip/a.jpg.bmp"));
}

// Every name a file system allows: what it becomes in "images.ini", in the
// catalogue and in the dialog's list, and the set plays whole.
TEST_F(AddSetTest, AnyFileNameIsKeptOrStoredSafely) {
  const fs::path folder = orvane::test::MakeTempDir("Names");
  std::string cjk;
  for (int i = 0; i < 38; ++i) cjk += "\u5199\u771f";  // 76 characters, 228 bytes
  struct Case {
    std::string disk;  // the picture's name on disk
    std::string key;   // the entry's name, UTF-8
    std::string file;  // the entry's file: the link's name in the set folder, UTF-8
  } cases[] = {
      // A line break or a carriage return could start a line of its own: the
      // link to the picture gets a name that holds a blank instead.
      {"line\nbreak.jpg", "line break", "line break.jpg"},
      {"carriage\rreturn.jpg", "carriage return", "carriage return.jpg"},
      {"[Section]\n[x]=y.jpg", "(Section) [x]-y", "[Section] [x]=y.jpg"},
      {std::string(232, 'a') + ".jpg", std::string(232, 'a'), std::string(232, 'a') + ".jpg"},
      // No room for "<name>.bmp": the link's name is cut.
      {std::string(251, 'b') + ".jpg", std::string(251, 'b'), std::string(247, 'b') + ".jpg"},
      {cjk + ".jpg", cjk, cjk + ".jpg"},
      {"\U0001F305 sunrise.jpg", "\U0001F305 sunrise", "\U0001F305 sunrise.jpg"},
      {"a = b.jpg", "a - b", "a = b.jpg"},
      {"[x] y.jpg", "(x) y", "[x] y.jpg"},
      {"Caf\u00e9.jpg", "Caf\u00e9", "Caf\u00e9.jpg"},
  };
  for (const Case& c : cases) WritePicture(folder / c.disk, 80, 60, Qt::darkGreen);
  const AddSetReport report = Run(folder);
  ASSERT_EQ(report.status, AddSetStatus::Made) << report.message;
  EXPECT_TRUE(report.warnings.empty()) << report.warnings[0];
  EXPECT_EQ(report.pictures, std::size(cases));

  const std::string ini = ReadFile(program + "Names/images.ini");
  EXPECT_EQ(ini.rfind("\xEF\xBB\xBF[SetDescriptions]\r\nNames=Names/\r\n\r\n[Names]\r\n", 0), 0u) << ini;
  ExpectPlayable("Names", "Names/", std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(orvane::addset::Printable(c.disk));
    EXPECT_NE(ini.find("\r\n" + c.key + "=" + c.file + "\r\n"), std::string::npos) << ini;
    EXPECT_EQ(fs::read_symlink(program + "Names/" + c.file), folder / c.disk);
    // The catalogue holds each name as windows-1252 where that holds it, else as UTF-8.
    const std::string key = orvane::platform::NameBytes(c.key);
    EXPECT_EQ(key == c.key, c.key.find("\u00e9") == std::string::npos);
    EXPECT_EQ(orvane::core::GetIniString("Names", key, "", catalogue), orvane::platform::NameBytes(c.file));
    // The dialog's list shows the name itself.
    orvane::platform::VbListBox list(nullptr, false);
    list.AddItem(key);
    EXPECT_EQ(list.item(0)->text().toStdString(), c.key);
    EXPECT_EQ(list.List(0), key);
  }
}

// A folder below the program folder keeps its set's files where it is, so a
// name its set file cannot hold leaves that picture out, named; the others stay.
TEST_F(AddSetTest, ANameASetFileCannotHoldIsLeftOutAndNamedWhereThereAreNoLinks) {
  const fs::path own = fs::path(program) / "Own";
  WritePicture(own / "a.jpg", 80, 60, Qt::red);
  WritePicture(own / "line\nbreak.jpg", 80, 60, Qt::blue);
  const AddSetReport report = Run(own);
  ASSERT_EQ(report.status, AddSetStatus::Updated) << report.message;  // the search knows it by its folder
  EXPECT_EQ(report.pictures, 1u);
  ASSERT_EQ(report.warnings.size(), 1u);
  EXPECT_NE(report.warnings[0].find("left out \"line\\nbreak.jpg\": a set file cannot hold its name"),
            std::string::npos)
      << report.warnings[0];
  EXPECT_EQ(ReadFile(own / "images.ini"), "[SetDescriptions]\r\nOwn=Own/\r\n\r\n[Own]\r\na=a.jpg\r\n");
  ExpectPlayable("Own", "Own/", 1);
}

}  // namespace
