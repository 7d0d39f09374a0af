// The set-sound player and the opener of the links the slide show hands over.
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "platform/caption_lock.h"
#include "platform/sound.h"
#include "platform/tick.h"
#include "platform/launcher.h"
#include "tests/changer/changer_fixture.h"

namespace orvane::test {
namespace {

class SetSounds : public ChangerTest {
 protected:
  void SetUp() override {
    ChangerTest::SetUp();
    setFolder = programFolder / "Birds";
    std::filesystem::create_directories(setFolder);
    Ini("Orvane.ini", "SetDescriptions", "Birds", "Birds\\");
    Ini("ScreenSaver.ini", "PrefsWP", "CurrentSet", "Birds");
    Ini("ScreenSaver.ini", "PrefsWP", "sound", "1");
  }
  void Nfo(const std::string& name, const std::string& sound) {
    WriteFile(setFolder / (name + ".nfo"), "[Sound]\r\ndefaultSound=" + sound + "\r\n");
  }
  std::vector<std::string> ListedFiles(const changer::frmPlaceHolder& form) {
    std::vector<std::string> files;
    const auto* list = form.SoundList();
    if (!list) return files;
    for (int i = 1; i <= list->Count(); ++i) files.push_back(list->Item(i).FileName);
    return files;
  }
  std::string InSet(const std::string& name) { return (setFolder / name).string(); }

  platform::RecordingSoundFactory sounds;  // made before the form, so MMC1 records
  std::filesystem::path setFolder;
};

TEST_F(SetSounds, OneEntryPerNameWithoutRegardToCaseInTheOrderMet) {
  Nfo("a", "Bird.WAV");
  Nfo("b", "bird.wav");
  Nfo("c", "blackbird.wav");
  Nfo("d", "");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->LoadSetInfo();
  EXPECT_EQ(ListedFiles(*form), (std::vector<std::string>{InSet("bird.wav"), InSet("blackbird.wav")}));
  EXPECT_EQ(form->SoundList()->Item(1).RampIn, 3000);
}

TEST_F(SetSounds, NamesLeavingTheSetFolderAreRefused) {
  const std::vector<std::string> bad = {"..\\..\\secret.wav", "../x.wav", "/etc/x.wav",
                                        "C:\\x.wav", "*.wav", "b?rd.wav", "sub/../../x.wav"};
  for (size_t i = 0; i < bad.size(); ++i) Nfo("bad" + std::to_string(i), bad[i]);
  Nfo("good", "Calls\\Owl.wav");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->LoadSetInfo();
  EXPECT_EQ(ListedFiles(*form), (std::vector<std::string>{InSet("calls/owl.wav")}));
}

TEST_F(SetSounds, MissingSetGivesAnEmptyList) {
  Ini("ScreenSaver.ini", "PrefsWP", "CurrentSet", "Gone");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->audioTimer_Timer();
  ASSERT_NE(form->SoundList(), nullptr);
  EXPECT_EQ(form->SoundList()->Count(), 0);
  EXPECT_TRUE(sounds.players()[0]->calls().empty());
}

TEST_F(SetSounds, PlaysInTurnStopsWhileTheShowRunsAndGoesOn) {
  Nfo("a", "One.wav");
  Nfo("b", "two.wav");
  WriteFile(setFolder / "One.wav", "RIFF");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  platform::RecordingSoundPlayer& player = *sounds.players()[0];

  form->audioTimer_Timer();
  EXPECT_TRUE(form->Playing());
  // The name is listed lower-cased and found on disk without regard to case.
  EXPECT_EQ(player.FileName(), InSet("One.wav"));
  form->audioTimer_Timer();  // still playing: nothing new
  EXPECT_EQ(player.FileName(), InSet("One.wav"));
  player.FinishPlayback();
  EXPECT_FALSE(form->Playing());

  {
    platform::CaptionLock show(settings);
    ASSERT_TRUE(show.Held());
    form->audioTimer_Timer();
    EXPECT_EQ(player.calls().back(), "Stop");
    EXPECT_FALSE(form->Playing());
  }
  form->audioTimer_Timer();
  EXPECT_EQ(player.FileName(), InSet("two.wav"));
  player.FinishPlayback();
  form->audioTimer_Timer();
  EXPECT_EQ(player.FileName(), InSet("One.wav"));
  EXPECT_TRUE(form->audioTimer.Enabled());
}

TEST_F(SetSounds, StopWhileTheShowRunsEvenMidSound) {
  Nfo("a", "one.wav");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->audioTimer_Timer();
  ASSERT_TRUE(form->Playing());
  platform::CaptionLock show(settings);
  form->audioTimer_Timer();
  EXPECT_FALSE(form->Playing());
  EXPECT_EQ(sounds.players()[0]->PlayState(), platform::mpStopped);
}

TEST_F(SetSounds, UnplayableFileEndsItsTurn) {
  Nfo("a", "broken.wav");
  Nfo("b", "fine.wav");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  platform::RecordingSoundPlayer& player = *sounds.players()[0];
  player.SetPlayable(false);
  form->audioTimer_Timer();
  EXPECT_FALSE(form->Playing());
  player.SetPlayable(true);
  form->audioTimer_Timer();
  EXPECT_TRUE(form->Playing());
  EXPECT_EQ(player.FileName(), InSet("fine.wav"));
}

TEST_F(SetSounds, NewSetStartsAtItsFirstSoundAfterTheCurrentEnds) {
  Nfo("a", "one.wav");
  Nfo("b", "two.wav");
  const std::filesystem::path other = programFolder / "Sea";
  std::filesystem::create_directories(other);
  WriteFile(other / "w.nfo", "[Sound]\r\ndefaultSound=waves.wav\r\n");
  Ini("Orvane.ini", "SetDescriptions", "Sea", "Sea\\");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  platform::RecordingSoundPlayer& player = *sounds.players()[0];
  form->audioTimer_Timer();
  Ini("ScreenSaver.ini", "PrefsWP", "CurrentSet", "Sea");
  form->audioTimer_Timer();
  EXPECT_EQ(form->CurrentSetName(), "Sea");
  EXPECT_EQ(player.FileName(), InSet("one.wav"));  // not cut off
  player.FinishPlayback();
  form->audioTimer_Timer();
  EXPECT_EQ(player.FileName(), (other / "waves.wav").string());
}

TEST_F(SetSounds, SwitchingSoundsOffStopsAndIsSaved) {
  Nfo("a", "one.wav");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->audioTimer_Timer();
  ASSERT_TRUE(form->Playing());
  form->mnuProp_Sound_Click();
  EXPECT_FALSE(form->Playing());
  EXPECT_FALSE(form->audioTimer.Enabled());
  EXPECT_EQ(sounds.players()[0]->calls().back(), "Stop");
  EXPECT_EQ(ReadIni("Orvane.ini", "Wallpaper", "PlaySound"), "0");
}

TEST_F(SetSounds, SoundsOffInTheSettingsStop) {
  Nfo("a", "one.wav");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->audioTimer_Timer();
  Ini("ScreenSaver.ini", "PrefsWP", "sound", "0");
  form->audioTimer_Timer();
  EXPECT_FALSE(form->Playing());
  EXPECT_EQ(sounds.players()[0]->calls().back(), "Stop");
}

// The media-player step that nothing calls: a linear fade in over the sound's
// ramp, and a fade out over three seconds when the show starts.
TEST_F(SetSounds, FadedStepRampsTheVolumeInAndOut) {
  Nfo("a", "one.wav");
  platform::ManualTickClock clock(100);
  platform::SetTickClock(&clock);
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->PlayNextSoundFaded();
  ASSERT_EQ(sounds.players().size(), 2u);
  platform::RecordingSoundPlayer& media = *sounds.players()[1];
  EXPECT_EQ(media.PlayState(), platform::mpPlaying);
  EXPECT_EQ(media.FileName(), InSet("one.wav"));
  ASSERT_GE(media.volumes().size(), 3u);
  EXPECT_EQ(media.volumes().front(), platform::kVolumeSilent);
  EXPECT_EQ(media.volumes().back(), -1);  // 9999 / 3000 * 3000 - 10000
  EXPECT_TRUE(std::is_sorted(media.volumes().begin(), media.volumes().end()));

  form->PlayNextSoundFaded();  // still playing: nothing
  const size_t steps = media.volumes().size();
  EXPECT_EQ(media.volumes().size(), steps);

  platform::CaptionLock show(settings);
  form->PlayNextSoundFaded();
  EXPECT_EQ(media.volumes().back(), platform::kVolumeSilent);
  EXPECT_TRUE(std::is_sorted(media.volumes().begin() + steps, media.volumes().end(),
                             std::greater<long>()));
  EXPECT_EQ(media.PlayState(), platform::mpStopped);
  platform::SetTickClock(nullptr);
}

// ---- links handed over by the slide show ----

class LinkLauncher : public ChangerTest {
 protected:
  void SetUp() override {
    ChangerTest::SetUp();
    platform::SetLaunchHandler([this](const std::string& url) {
      opened.push_back(url);
      return true;
    });
  }
  void TearDown() override {
    platform::SetLaunchHandler({});
    ChangerTest::TearDown();
  }
  std::vector<std::string> opened;
};

TEST_F(LinkLauncher, OpenedOnceAndCleared) {
  Ini("Orvane.ini", "Launcher", "URL", "https://example.org/birds?id=3");
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Launcher_Timer();
  form->Launcher_Timer();
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/birds?id=3"}));
  EXPECT_EQ(ReadIni("Orvane.ini", "Launcher", "URL"), "");
  EXPECT_TRUE(form->Launcher.Enabled());
  Ini("Orvane.ini", "Launcher", "URL", "mailto:someone@example.org");
  form->Launcher_Timer();
  EXPECT_EQ(opened.size(), 2u);
}

TEST_F(LinkLauncher, EmptyOpensNothingAndWritesNothing) {
  Ini("Orvane.ini", "Launcher", "URL", "");
  const std::string file = settings + "Orvane.ini";
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Launcher_Timer();
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);  // a write replaces the file
  EXPECT_TRUE(opened.empty());
}

TEST_F(LinkLauncher, OnlyWebAddressesAreOpened) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  for (const char* url : {"file:///etc/passwd", "/usr/bin/xterm", "xterm", "javascript:alert(1)",
                          "ftp://example.org/", "http://", "smb://host/share"}) {
    Ini("Orvane.ini", "Launcher", "URL", url);
    form->Launcher_Timer();
    EXPECT_EQ(ReadIni("Orvane.ini", "Launcher", "URL"), "") << url;
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(LinkLauncher, AnAddressWithoutASchemeOpensAsHttpAndARefusedOneIsSaid) {
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  Ini("Orvane.ini", "Launcher", "URL", "www.example.org/birds");
  form->Launcher_Timer();
  EXPECT_EQ(opened, std::vector<std::string>{"http://www.example.org/birds"});
  EXPECT_EQ(ReadIni("Orvane.ini", "Launcher", "URL"), "");

  testing::internal::CaptureStderr();
  Ini("Orvane.ini", "Launcher", "URL", "birds.wav");
  form->Launcher_Timer();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_EQ(ReadIni("Orvane.ini", "Launcher", "URL"), "");
  EXPECT_NE(errors.find("the link \"birds.wav\" is not a web address; it was not opened"), std::string::npos)
      << errors;
}

TEST_F(LinkLauncher, UnwritableFileOpensNothing) {
  Ini("Orvane.ini", "Launcher", "URL", "http://example.org/");
  const std::string file = settings + "Orvane.ini";
  ASSERT_EQ(chmod(file.c_str(), 0444), 0);
  auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load());
  form->Launcher_Timer();
  EXPECT_TRUE(opened.empty());  // it could not be cleared: it would open every second
}

}  // namespace
}  // namespace orvane::test
