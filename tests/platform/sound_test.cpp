#include "platform/sound.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/testenv.h"

using namespace orvane::platform;

namespace {

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A mono 16-bit PCM WAV of the given length: a quiet square wave.
std::filesystem::path MakeWav(const std::string& name, int milliseconds) {
  const uint32_t rate = 22050;
  const uint32_t samples = rate * static_cast<uint32_t>(milliseconds) / 1000;
  std::string data;
  for (uint32_t i = 0; i < samples; ++i) PutLe(data, (i / 50) % 2 ? 0x0400 : 0xFC00, 2);
  std::string wav = "RIFF";
  PutLe(wav, 36 + static_cast<uint32_t>(data.size()), 4);
  wav += "WAVEfmt ";
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);          // PCM
  PutLe(wav, 1, 2);          // mono
  PutLe(wav, rate, 4);
  PutLe(wav, rate * 2, 4);   // bytes per second
  PutLe(wav, 2, 2);          // block align
  PutLe(wav, 16, 2);         // bits per sample
  wav += "data";
  PutLe(wav, static_cast<uint32_t>(data.size()), 4);
  wav += data;
  const auto path = orvane::test::MakeTempDir("sounds-" + name) / (name + ".wav");
  orvane::test::WriteFile(path, wav);
  return path;
}

// Pumps events until the condition holds; a generous bound only keeps a broken
// player from hanging the test.
bool PumpUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(20000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

}  // namespace

TEST(Volume, MapsHundredthsOfADecibelToGain) {
  struct Case {
    long volume;
    double gain;
    int mixerLevel;
  };
  const Case cases[] = {
      {0, 1.0, 128},          {-2000, 0.1, 13},     {-4000, 0.01, 1},
      {-1000, 0.316228, 40},  {-10000, 0.0, 0},     // 1e-5 is taken as silence
      {-20000, 0.0, 0},       {500, 1.0, 128},      // clamped to the scale
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.volume);
    EXPECT_NEAR(VolumeToGain(c.volume), c.gain, 1e-6);
    EXPECT_EQ(VolumeToMixerLevel(c.volume), c.mixerLevel);
  }
}

TEST(SdlSoundPlayer, PlaysAWavToItsEndAndReportsItOnTheGuiThread) {
  ASSERT_TRUE(SoundDeviceAvailable()) << "the dummy audio driver should open";
  const auto wav = MakeWav("short", 150);
  auto player = CreateSdlSoundPlayer();
  int ends = 0;
  bool onGuiThread = true;
  player->SetEndHandler([&] {
    ++ends;
    onGuiThread = onGuiThread && QThread::currentThread() == qApp->thread();
    // A looping caller restarts the sound from its end event.
    if (ends == 1) player->Play();
  });
  player->SetFileName(wav.string());
  player->SetVolume(-2000);
  EXPECT_EQ(player->PlayState(), mpStopped);
  player->Play();
  EXPECT_EQ(player->PlayState(), mpPlaying);
  EXPECT_EQ(player->Volume(), -2000);

  ASSERT_TRUE(PumpUntil([&] { return ends == 2; }));
  EXPECT_EQ(player->PlayState(), mpStopped);
  EXPECT_TRUE(onGuiThread);
  EXPECT_EQ(player->FileName(), wav.string());
}

TEST(SdlSoundPlayer, StopAndANewFileRaiseNoEndEvent) {
  ASSERT_TRUE(SoundDeviceAvailable());
  const auto longWav = MakeWav("long", 5000);
  auto player = CreateSdlSoundPlayer();
  int ends = 0;
  player->SetEndHandler([&] { ++ends; });

  player->SetFileName(longWav.string());
  player->Play();
  ASSERT_EQ(player->PlayState(), mpPlaying);
  player->Play();  // already playing: goes on
  EXPECT_EQ(player->PlayState(), mpPlaying);
  player->Stop();
  EXPECT_EQ(player->PlayState(), mpStopped);

  player->Play();
  ASSERT_EQ(player->PlayState(), mpPlaying);
  player->SetFileName(longWav.string());
  EXPECT_EQ(player->PlayState(), mpStopped);

  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(ends, 0);
}

TEST(SdlSoundPlayer, ASignalStillEndsTheProgramWhileASoundPlays) {
  // The sound library must not take over SIGTERM: a show that a session or a
  // user ends by a signal has to go.
  ASSERT_TRUE(SoundDeviceAvailable());
  const auto longWav = MakeWav("long", 5000);
  auto player = CreateSdlSoundPlayer();
  player->SetFileName(longWav.string());
  player->Play();
  ASSERT_EQ(player->PlayState(), mpPlaying);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    raise(SIGTERM);
    _exit(0);  // reached only when the signal was swallowed
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

TEST(SdlSoundPlayer, AnotherPlayerTakesTheSoundOver) {
  ASSERT_TRUE(SoundDeviceAvailable());
  const auto longWav = MakeWav("long", 5000);
  auto first = CreateSdlSoundPlayer();
  auto second = CreateSdlSoundPlayer();
  int firstEnds = 0;
  first->SetEndHandler([&] { ++firstEnds; });
  first->SetFileName(longWav.string());
  second->SetFileName(longWav.string());

  first->Play();
  second->Play();
  EXPECT_EQ(first->PlayState(), mpStopped);
  EXPECT_EQ(second->PlayState(), mpPlaying);
  first.reset();  // destroying a player that no longer owns the sound leaves it playing
  EXPECT_EQ(second->PlayState(), mpPlaying);
  second.reset();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(firstEnds, 0);
}

TEST(SdlSoundPlayer, AFileItCannotPlayCountsAsStopped) {
  ASSERT_TRUE(SoundDeviceAvailable());
  const auto dir = orvane::test::MakeTempDir("bad-sounds");
  orvane::test::WriteFile(dir / "noise.wav", "RIFF\x04\0\0\0WAVEjunk that is no sound");
  // A FIFO named as the sound must not block the player (and the show) in open.
  ASSERT_EQ(mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  alarm(30);
  const std::string files[] = {(dir / "noise.wav").string(), (dir / "missing.wav").string(), "",
                               (dir / "fifo.wav").string()};
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    auto player = CreateSdlSoundPlayer();
    int ends = 0;
    player->SetEndHandler([&] { ++ends; });
    player->SetFileName(file);
    player->Play();
    EXPECT_EQ(player->PlayState(), mpStopped);
    player->SetVolume(-500);
    player->Stop();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(ends, 0);
  }

  MMControl control(CreateSdlSoundPlayer());
  std::vector<int> codes;
  control.SetDoneHandler([&](int code) { codes.push_back(code); });
  control.SetFileName(files[0]);
  control.Command("Open");
  control.Command("Play");
  EXPECT_EQ(codes, std::vector<int>{mciNotifyFailure});
  alarm(0);
}

TEST(SdlSoundPlayer, RunsSilentWithoutAnAudioDevice) {
  if (SoundMixerStarted()) GTEST_SKIP() << "the mixer of this process is already open";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const auto wav = MakeWav("silent", 100);
  auto player = CreateSdlSoundPlayer();
  player->SetFileName(wav.string());
  player->SetVolume(-3000);
  EXPECT_FALSE(SoundMixerStarted());  // the device is claimed at the first Play only
  player->Play();
  EXPECT_TRUE(SoundMixerStarted());
  EXPECT_FALSE(SoundDeviceAvailable());
  EXPECT_EQ(player->PlayState(), mpStopped);
  EXPECT_EQ(player->Volume(), -3000);
  player->Stop();
  EXPECT_EQ(player->PlayState(), mpStopped);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// Whether the process has the library loaded (asked without loading it).
bool Loaded(const char* library) {
  void* handle = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

TEST(SdlSoundPlayer, TheSoundLibraryIsLoadedOnlyWhenASoundIsPlayed) {
  if (SoundMixerStarted()) GTEST_SKIP() << "the mixer of this process is already open";
  const auto wav = MakeWav("loaded", 100);
  auto player = CreateSdlSoundPlayer();
  player->SetFileName(wav.string());
  player->SetVolume(-1000);
  player->Stop();
  EXPECT_EQ(player->PlayState(), mpStopped);
  EXPECT_FALSE(Loaded("libSDL2_mixer-2.0.so.0"));
  EXPECT_FALSE(Loaded("libSDL2-2.0.so.0"));
  player->Play();
  EXPECT_TRUE(Loaded("libSDL2_mixer-2.0.so.0"));
  EXPECT_EQ(player->PlayState(), mpPlaying);
}

TEST(SdlSoundPlayer, WithoutASoundCardOnlyOurOwnLineIsPrinted) {
  if (SoundMixerStarted()) GTEST_SKIP() << "the mixer of this process is already open";
  // ALSA on a card that no machine has: it reports its errors as it fails.
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  setenv("AUDIODEV", "hw:77", 1);
  const auto wav = MakeWav("nocard", 100);
  const auto log = orvane::test::MakeTempDir("nocard") / "stderr.txt";
  std::fflush(stderr);
  const int saved = dup(2);
  const int file = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, 2);
  close(file);
  auto player = CreateSdlSoundPlayer();
  player->SetFileName(wav.string());
  player->Play();
  const bool available = SoundDeviceAvailable();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  unsetenv("AUDIODEV");
  ASSERT_FALSE(available);
  EXPECT_EQ(player->PlayState(), mpStopped);
  const std::string printed = orvane::test::ReadFile(log);
  EXPECT_EQ(printed.find("ALSA lib"), std::string::npos) << printed;
  EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
  EXPECT_NE(printed.find("No audio device, sounds are off"), std::string::npos) << printed;
}

TEST(RecordingSoundPlayer, RecordsCallsAndLetsTheTestEndPlayback) {
  RecordingSoundFactory factory;
  auto player = CreateSoundPlayer();
  ASSERT_NE(factory.last(), nullptr);
  RecordingSoundPlayer& record = *factory.last();
  int ends = 0;
  player->SetEndHandler([&] { ++ends; });

  player->Play();  // no file yet: stays stopped
  EXPECT_EQ(player->PlayState(), mpStopped);
  player->SetFileName("/sets/Sea/waves.wav");
  player->SetVolume(-10000);
  player->Play();
  player->SetVolume(-12000);
  player->SetVolume(-40);
  EXPECT_EQ(player->PlayState(), mpPlaying);
  record.FinishPlayback();
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(player->PlayState(), mpStopped);
  record.FinishPlayback();  // nothing is playing: no second end
  EXPECT_EQ(ends, 1);

  record.SetPlayable(false);
  player->Play();
  EXPECT_EQ(player->PlayState(), mpStopped);
  player->Stop();

  EXPECT_EQ(record.calls(), (std::vector<std::string>{"Play", "FileName=/sets/Sea/waves.wav",
                                                       "Play", "Play", "Stop"}));
  EXPECT_EQ(record.volumes(), (std::vector<long>{-10000, -10000, -40}));

  // The record outlives the player that the window destroyed; its handler goes.
  player.reset();
  EXPECT_FALSE(record.HasEndHandler());
  EXPECT_EQ(factory.players().size(), 1u);
}

TEST(MMControl, CommandsDriveThePlayerAndTheEndCompletes) {
  RecordingSoundFactory factory;
  MMControl control;
  RecordingSoundPlayer& record = *factory.last();
  std::vector<int> codes;
  control.SetDoneHandler([&](int code) { codes.push_back(code); });

  control.Command("Play");  // nothing opened yet
  control.Command("Close");
  control.SetFileName("/sets/Sea/bird.wav");
  control.Command("Open");
  control.Command("Play");
  EXPECT_EQ(control.PlayState(), mpPlaying);
  record.FinishPlayback();
  EXPECT_EQ(codes, std::vector<int>{mciNotifySuccessful});

  control.Command("Play");
  control.Command("stop");
  control.Command("Eject");  // unknown: ignored
  EXPECT_EQ(control.PlayState(), mpStopped);
  EXPECT_EQ(record.calls(),
            (std::vector<std::string>{"Stop", "FileName=", "FileName=/sets/Sea/bird.wav", "Play",
                                      "Play", "Stop"}));
}
