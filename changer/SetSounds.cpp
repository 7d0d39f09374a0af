// The set-sound player (one sound of the wallpaper's set after another while no
// slide show runs) and the opener of the links the slide show hands over.
#include <algorithm>
#include <cmath>

#include "changer/frmPlaceHolder.h"
#include "core/ImageDescription.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "platform/caption_lock.h"
#include "platform/events.h"
#include "platform/profile.h"
#include "platform/tick.h"
#include "platform/launcher.h"

namespace orvane::changer {

namespace keys = core::settings;

namespace {

constexpr long kRampIn = 3000;
constexpr long kFadeOutMs = 3000;

class EnableOnExit {
 public:
  explicit EnableOnExit(platform::VbTimer& timer) : timer_(timer) {}
  ~EnableOnExit() { timer_.SetEnabled(true); }
  EnableOnExit(const EnableOnExit&) = delete;
  EnableOnExit& operator=(const EnableOnExit&) = delete;

 private:
  platform::VbTimer& timer_;
};

}  // namespace

bool IsSafeSoundName(const std::string& name) {
  if (name.empty() || name.find_first_of("*?") != std::string::npos) return false;
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.front() == '/') return false;
  if (path.size() >= 2 && path[1] == ':') return false;  // a drive letter
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    if (path.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

bool frmPlaceHolder::IsSaverRunning() const { return platform::IsCaptionLocked(settingsFolder_); }

void frmPlaceHolder::audioTimer_Timer() { PlayNextSound(); }

void frmPlaceHolder::PlayNextSound() {
  audioTimer.SetEnabled(false);
  EnableOnExit reenable(audioTimer);

  const bool on = core::GetIniInt(keys::kPrefsWP_Sound.section, keys::kPrefsWP_Sound.key,
                                  keys::kChangerDefault_PrefsWP_Sound, screenSaverIni_) != 0;
  const bool saverUp = IsSaverRunning();
  if (on && !saverUp) {
    const std::string set = core::GetIniString(keys::kPrefsWP_CurrentSet.section,
                                               keys::kPrefsWP_CurrentSet.key,
                                               keys::kChangerDefault_PrefsWP_CurrentSet,
                                               screenSaverIni_);
    if (set != currentSet_ || !soundList_) {
      LoadSetInfo();
      currentSet_ = set;
      soundIndex_ = 1;
    }
    if (playing_ || !soundList_ || soundList_->Count() == 0) return;
    if (soundIndex_ < 1 || soundIndex_ > soundList_->Count()) soundIndex_ = 1;
    const std::string file = soundList_->Item(soundIndex_).FileName;
    ++soundIndex_;
    if (soundIndex_ > soundList_->Count()) soundIndex_ = 1;
    MMC1.Command("Close");
    MMC1.SetFileName(core::OpenableSetPath(file));
    MMC1.Command("Open");
    // Set before "Play": a file that cannot be played reports its end at once.
    playing_ = true;
    MMC1.Command("Play");
  } else {
    MMC1.Command("Stop");
    playing_ = false;
  }
}

void frmPlaceHolder::MMC1_Done(int notifyCode) {
  // A file that could not be played ends its turn as well, so the next one follows.
  if (notifyCode == platform::mciNotifySuccessful || notifyCode == platform::mciNotifyFailure) {
    playing_ = false;
  }
}

void frmPlaceHolder::LoadSetInfo() {
  soundList_ = std::make_unique<platform::KeyedList<CSoundInfo>>();
  const std::string set = core::GetIniString(keys::kPrefsWP_CurrentSet.section,
                                             keys::kPrefsWP_CurrentSet.key,
                                             keys::kChangerDefault_PrefsWP_CurrentSet,
                                             screenSaverIni_);
  std::string folder = core::GetIniString(keys::kSectionSetDescriptions, set, "", orvaneIni_);
  if (set.empty() || folder.empty() || programPath_.empty()) return;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (!IsSafeSoundName(folder)) return;  // a set folder lies below the program folder
  if (folder.back() != '/') folder += '/';
  folder = programPath_ + folder;
  for (const std::string& sound : core::CollectSetSounds(folder)) {
    if (!IsSafeSoundName(sound)) continue;
    std::string name = sound;
    std::replace(name.begin(), name.end(), '\\', '/');
    soundList_->Add(CSoundInfo{folder + name, kRampIn}, sound);
  }
}

void frmPlaceHolder::Launcher_Timer() {
  Launcher.SetEnabled(false);
  EnableOnExit reenable(Launcher);

  // A plain read first, so an empty mailbox costs no write.
  const std::string pending = core::GetIniString(
      keys::kLauncher_URL.section, keys::kLauncher_URL.key, keys::kChangerDefault_Launcher_URL,
      orvaneIni_);
  if (pending.empty()) return;
  // Read and cleared under one hold of the file's lock: a link the slide show
  // writes meanwhile is either taken now or left for the next tick.
  const auto taken = platform::ExchangePrivateProfileString(
      keys::kLauncher_URL.section, keys::kLauncher_URL.key, std::string(), orvaneIni_);
  if (!taken || taken->empty()) return;  // not cleared: never opened twice
  // Only web addresses: a local file or program named here is never run.
  platform::OpenWebLink(*taken);
}

void frmPlaceHolder::PlayNextSoundFaded() {
  if (!MediaPlayer1) MediaPlayer1 = platform::CreateSoundPlayer();
  platform::SoundPlayer& player = *MediaPlayer1;
  const bool on = core::GetIniInt(keys::kPrefsWP_Sound.section, keys::kPrefsWP_Sound.key,
                                  keys::kChangerDefault_PrefsWP_Sound, screenSaverIni_) != 0;
  if (on && !IsSaverRunning()) {
    if (player.PlayState() == platform::mpPlaying) return;
    const std::string set = core::GetIniString(keys::kPrefsWP_CurrentSet.section,
                                               keys::kPrefsWP_CurrentSet.key,
                                               keys::kChangerDefault_PrefsWP_CurrentSet,
                                               screenSaverIni_);
    if (set != currentSet_ || !soundList_) {
      LoadSetInfo();
      currentSet_ = set;
      soundIndex_ = 1;
    }
    if (!soundList_ || soundList_->Count() == 0) return;
    if (soundIndex_ < 1 || soundIndex_ > soundList_->Count()) soundIndex_ = 1;
    const CSoundInfo sound = soundList_->Item(soundIndex_);
    ++soundIndex_;
    if (soundIndex_ > soundList_->Count()) soundIndex_ = 1;
    player.SetVolume(platform::kVolumeSilent);
    player.SetFileName(core::OpenableSetPath(sound.FileName));
    player.Play();
    const long rampIn = std::max(sound.RampIn, 1L);
    const std::uint32_t start = platform::GetTickCount();
    for (;;) {
      const double elapsed = platform::GetTickCount() - start;
      const double level = std::min(9999.0 / rampIn * elapsed, 10000.0);
      player.SetVolume(static_cast<long>(std::floor(level)) - 10000);
      if (elapsed >= rampIn) break;
      platform::DoEvents();
      platform::WaitStep();
    }
  } else if (player.PlayState() == platform::mpPlaying) {
    const std::uint32_t start = platform::GetTickCount();
    for (;;) {
      const double elapsed = platform::GetTickCount() - start;
      const double level = std::min(10000.0 / kFadeOutMs * elapsed, 10000.0);
      player.SetVolume(-static_cast<long>(std::floor(level)));
      if (elapsed >= kFadeOutMs) break;
      platform::DoEvents();
      platform::WaitStep();
    }
    player.Stop();
  }
}

}  // namespace orvane::changer
