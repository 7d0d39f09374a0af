#include "platform/sound.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <strings.h>

#include "platform/regular_file.h"

namespace orvane::platform {

double VolumeToGain(long volume) {
  volume = std::clamp(volume, kVolumeSilent, kVolumeFull);
  if (volume == kVolumeSilent) return 0.0;
  return std::pow(10.0, static_cast<double>(volume) / 2000.0);
}

int VolumeToMixerLevel(long volume) {
  return static_cast<int>(std::lround(VolumeToGain(volume) * MIX_MAX_VOLUME));
}

namespace {

class SdlSoundPlayer;

// Process-wide mixer state. Everything but the two atomics is touched on the
// GUI thread only; the audio thread reads the atomics in the finished hook.
struct Mixer {
  bool started = false;
  bool open = false;
  bool hooked = false;
  // Raised by every Play and Stop, so that an end reported for an earlier
  // sound is recognised as stale when it reaches the GUI thread.
  std::atomic<unsigned> generation{0};
  // Set while we halt the music ourselves: SDL2_mixer calls the finished hook
  // from inside Mix_HaltMusic, and that is not an end of the sound.
  std::atomic<bool> selfHalt{false};
  SdlSoundPlayer* owner = nullptr;  // the player whose sound is in the mixer
  std::set<SdlSoundPlayer*> players;
};

Mixer& TheMixer() {
  static Mixer mixer;
  return mixer;
}

void DeliverEnd(unsigned generation);

// Runs on SDL's audio thread with the audio lock held: no mixer call is allowed
// here, so the end is queued to the GUI thread.
void MusicFinished() {
  Mixer& mixer = TheMixer();
  if (mixer.selfHalt.load()) return;
  const unsigned generation = mixer.generation.load();
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, [generation] { DeliverEnd(generation); }, Qt::QueuedConnection);
}

// Called when the application object goes away: nothing can be queued to it
// any more. Mix_HookMusicFinished takes the audio lock, so no hook runs after it.
void UnhookMixer() {
  Mixer& mixer = TheMixer();
  if (mixer.open && mixer.hooked) Mix_HookMusicFinished(nullptr);
  mixer.hooked = false;
}

void ShutDownMixer();

bool StartMixer() {
  Mixer& mixer = TheMixer();
  if (mixer.started) return mixer.open;
  mixer.started = true;
  // SDL would otherwise catch SIGINT and SIGTERM and turn them into quit events
  // of an SDL event loop that this program never runs: the process could no
  // longer be ended by a signal.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    qWarning("No audio device, sounds are off: %s", SDL_GetError());
    return false;
  }
  // WAV needs no decoder; the others play where the library has them.
  Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MID);
  if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    qWarning("No audio device, sounds are off: %s", Mix_GetError());
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  mixer.open = true;
  std::atexit(ShutDownMixer);
  qAddPostRoutine(UnhookMixer);
  return true;
}

class SdlSoundPlayer final : public SoundPlayer {
 public:
  SdlSoundPlayer() { TheMixer().players.insert(this); }

  ~SdlSoundPlayer() override {
    Mixer& mixer = TheMixer();
    if (mixer.owner == this) {
      HaltMusic();
      mixer.owner = nullptr;
    }
    ReleaseMusic();
    mixer.players.erase(this);
  }

  std::string FileName() const override { return file_; }

  void SetFileName(const std::string& path) override {
    Stop();
    ReleaseMusic();
    file_ = path;
    unplayable_ = false;
  }

  void Play() override {
    // The audio device is claimed only once something is to be heard.
    if (!StartMixer() || PlayState() == mpPlaying) return;
    Mixer& mixer = TheMixer();
    if (!music_) {
      // A file that failed once is not decoded again until the name is set anew.
      if (file_.empty() || unplayable_) return;
      music_ = LoadMusic();
      if (!music_) {
        qWarning("Cannot play sound \"%s\": %s", file_.c_str(), Mix_GetError());
        unplayable_ = true;
        return;
      }
    }
    if (!mixer.hooked && QCoreApplication::instance()) {
      Mix_HookMusicFinished(MusicFinished);
      mixer.hooked = true;
    }
    if (mixer.owner && mixer.owner != this) mixer.owner->playing_ = false;
    HaltMusic();
    Mix_VolumeMusic(VolumeToMixerLevel(volume_));
    if (Mix_PlayMusic(music_, 0) != 0) {
      qWarning("Cannot play sound \"%s\": %s", file_.c_str(), Mix_GetError());
      mixer.owner = nullptr;
      playing_ = false;
      return;
    }
    mixer.owner = this;
    playing_ = true;
  }

  void Stop() override {
    Mixer& mixer = TheMixer();
    if (playing_ && mixer.owner == this) HaltMusic();
    playing_ = false;
  }

  int PlayState() const override {
    const Mixer& mixer = TheMixer();
    if (!playing_ || !mixer.open || mixer.owner != this) return mpStopped;
    return Mix_PlayingMusic() ? mpPlaying : mpStopped;
  }

  long Volume() const override { return volume_; }

  void SetVolume(long volume) override {
    volume_ = std::clamp(volume, kVolumeSilent, kVolumeFull);
    const Mixer& mixer = TheMixer();
    if (mixer.open && mixer.owner == this) Mix_VolumeMusic(VolumeToMixerLevel(volume_));
  }

  void SetEndHandler(std::function<void()> handler) override { onEnd_ = std::move(handler); }

  // The queued end of this player's sound.
  void Ended() {
    if (!playing_) return;
    playing_ = false;
    // The handler may replay, replace or even destroy this player.
    const auto handler = onEnd_;
    if (handler) handler();
  }

  void ReleaseMusic() {
    if (music_ && TheMixer().open) Mix_FreeMusic(music_);
    music_ = nullptr;
    bytes_.clear();
    bytes_.shrink_to_fit();
  }

 private:
  // The file is read by us (a regular file only, opened without blocking: a
  // FIFO named as a set's sound must not freeze the show) and decoded from
  // memory. The type comes from the content, else from the file's extension.
  Mix_Music* LoadMusic() {
    constexpr std::size_t kMaxSoundBytes = 512u << 20;
    if (!ReadRegularFile(file_, kMaxSoundBytes, bytes_) || bytes_.empty()) {
      Mix_SetError("not a readable regular file");
      return nullptr;
    }
    if (Mix_Music* music = Mix_LoadMUS_RW(SDL_RWFromConstMem(bytes_.data(), int(bytes_.size())), 1))
      return music;
    std::string extension = file_.substr(std::min(file_.size(), file_.rfind('.') + 1));
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    const Mix_MusicType type = extension == "wav"                       ? MUS_WAV
                               : extension == "mid" || extension == "midi" ? MUS_MID
                               : extension == "ogg"                       ? MUS_OGG
                               : extension == "mp3"                       ? MUS_MP3
                               : extension == "flac"                      ? MUS_FLAC
                                                                          : MUS_NONE;
    if (type == MUS_NONE) return nullptr;
    return Mix_LoadMUSType_RW(SDL_RWFromConstMem(bytes_.data(), int(bytes_.size())), type, 1);
  }

  // Halts whatever the mixer plays, marking earlier ends as stale.
  static void HaltMusic() {
    Mixer& mixer = TheMixer();
    if (!mixer.open) return;
    ++mixer.generation;
    mixer.selfHalt = true;
    Mix_HaltMusic();
    mixer.selfHalt = false;
  }

  std::string file_;
  long volume_ = kVolumeFull;
  bool playing_ = false;
  bool unplayable_ = false;
  Mix_Music* music_ = nullptr;
  std::string bytes_;  // the file, which the music plays from
  std::function<void()> onEnd_;
};

void DeliverEnd(unsigned generation) {
  Mixer& mixer = TheMixer();
  if (!mixer.open || !mixer.owner || mixer.generation.load() != generation) return;
  mixer.owner->Ended();
}

void ShutDownMixer() {
  Mixer& mixer = TheMixer();
  if (!mixer.open) return;
  Mix_HookMusicFinished(nullptr);
  mixer.hooked = false;
  Mix_HaltMusic();
  for (SdlSoundPlayer* player : mixer.players) player->ReleaseMusic();
  mixer.owner = nullptr;
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  mixer.open = false;
}

// Lets a test keep its recording player after the window that made it is gone.
class SharedRecordingPlayer final : public SoundPlayer {
 public:
  explicit SharedRecordingPlayer(std::shared_ptr<RecordingSoundPlayer> player)
      : player_(std::move(player)) {}
  ~SharedRecordingPlayer() override { player_->SetEndHandler({}); }

  std::string FileName() const override { return player_->FileName(); }
  void SetFileName(const std::string& path) override { player_->SetFileName(path); }
  void Play() override { player_->Play(); }
  void Stop() override { player_->Stop(); }
  int PlayState() const override { return player_->PlayState(); }
  long Volume() const override { return player_->Volume(); }
  void SetVolume(long volume) override { player_->SetVolume(volume); }
  void SetEndHandler(std::function<void()> handler) override {
    player_->SetEndHandler(std::move(handler));
  }

 private:
  std::shared_ptr<RecordingSoundPlayer> player_;
};

std::function<std::unique_ptr<SoundPlayer>()>& Factory() {
  static std::function<std::unique_ptr<SoundPlayer>()> factory;
  return factory;
}

}  // namespace

std::unique_ptr<SoundPlayer> CreateSdlSoundPlayer() { return std::make_unique<SdlSoundPlayer>(); }

bool SoundDeviceAvailable() { return StartMixer(); }

bool SoundMixerStarted() { return TheMixer().started; }

void RecordingSoundPlayer::SetFileName(const std::string& path) {
  calls_.push_back("FileName=" + path);
  playing_ = false;
  file_ = path;
}

void RecordingSoundPlayer::Play() {
  calls_.push_back("Play");
  if (playable_ && !file_.empty()) playing_ = true;
}

void RecordingSoundPlayer::Stop() {
  calls_.push_back("Stop");
  playing_ = false;
}

void RecordingSoundPlayer::SetVolume(long volume) {
  volume_ = std::clamp(volume, kVolumeSilent, kVolumeFull);
  volumes_.push_back(volume_);
}

void RecordingSoundPlayer::FinishPlayback() {
  if (!playing_) return;
  playing_ = false;
  const auto handler = onEnd_;
  if (handler) handler();
}

std::unique_ptr<SoundPlayer> CreateSoundPlayer() {
  const auto& factory = Factory();
  if (factory) return factory();
  return CreateSdlSoundPlayer();
}

void SetSoundPlayerFactory(std::function<std::unique_ptr<SoundPlayer>()> factory) {
  Factory() = std::move(factory);
}

RecordingSoundFactory::RecordingSoundFactory() {
  SetSoundPlayerFactory([this]() -> std::unique_ptr<SoundPlayer> {
    auto player = std::make_shared<RecordingSoundPlayer>();
    players_.push_back(player);
    return std::make_unique<SharedRecordingPlayer>(player);
  });
}

RecordingSoundFactory::~RecordingSoundFactory() { SetSoundPlayerFactory({}); }

MMControl::MMControl() : MMControl(CreateSoundPlayer()) {}

MMControl::MMControl(std::unique_ptr<SoundPlayer> player) : player_(std::move(player)) {
  player_->SetEndHandler([this] { RaiseDone(mciNotifySuccessful); });
}

void MMControl::Command(const std::string& command) {
  const char* text = command.c_str();
  if (strcasecmp(text, "Open") == 0) {
    player_->SetFileName(file_);
    open_ = true;
  } else if (strcasecmp(text, "Play") == 0) {
    if (!open_) return;
    player_->Play();
    if (player_->PlayState() != mpPlaying) RaiseDone(mciNotifyFailure);
  } else if (strcasecmp(text, "Stop") == 0) {
    player_->Stop();
  } else if (strcasecmp(text, "Close") == 0) {
    player_->Stop();
    player_->SetFileName("");
    open_ = false;
  }
}

void MMControl::RaiseDone(int code) {
  const auto handler = onDone_;
  if (handler) handler(code);
}

}  // namespace orvane::platform
