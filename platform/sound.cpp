#include "platform/sound.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <dlfcn.h>

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

// The sound libraries are opened at the first Play, not linked: SDL2_mixer and
// its decoders are some forty shared libraries, which every start of a program
// that plays no sound (a slide preparation, a wallpaper) would load for
// nothing. The calls are typed from the libraries' headers, so the build still
// checks every one of them.
constexpr const char* kSdlLibrary = "libSDL2-2.0.so.0";
constexpr const char* kMixerLibrary = "libSDL2_mixer-2.0.so.0";
// ALSA prints its own errors on standard error ("ALSA lib ...", a dozen lines
// when there is no sound card) while SDL looks for a device; the one line of
// ours says it.
constexpr const char* kAlsaLibrary = "libasound.so.2";

struct SoundApi {
  decltype(&SDL_SetHint) SetHint = nullptr;
  decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
  decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
  decltype(&SDL_GetError) GetError = nullptr;
  decltype(&SDL_RWFromConstMem) RWFromConstMem = nullptr;
  decltype(&Mix_Init) Init = nullptr;
  decltype(&Mix_Quit) Quit = nullptr;
  decltype(&Mix_OpenAudio) OpenAudio = nullptr;
  decltype(&Mix_CloseAudio) CloseAudio = nullptr;
  decltype(&Mix_HookMusicFinished) HookMusicFinished = nullptr;
  decltype(&Mix_VolumeMusic) VolumeMusic = nullptr;
  decltype(&Mix_PlayMusic) PlayMusic = nullptr;
  decltype(&Mix_HaltMusic) HaltMusic = nullptr;
  decltype(&Mix_PlayingMusic) PlayingMusic = nullptr;
  decltype(&Mix_FreeMusic) FreeMusic = nullptr;
  decltype(&Mix_LoadMUS_RW) LoadMUS_RW = nullptr;
  decltype(&Mix_LoadMUSType_RW) LoadMUSType_RW = nullptr;
};

SoundApi& Api() {
  static SoundApi api;
  return api;
}

// ALSA's error handler type: file, line, function, error, then a format.
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
  // Stays loaded: SDL opens the same library and so reports through this handler.
  void* alsa = ::dlopen(kAlsaLibrary, RTLD_NOW | RTLD_LOCAL);
  if (!alsa) return;
  using SetHandler = int (*)(AlsaErrorHandler);
  if (auto set = reinterpret_cast<SetHandler>(::dlsym(alsa, "snd_lib_error_set_handler")))
    set(&QuietAlsa);
}

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

// Opens the libraries once; false (and why in `error`) when they are missing.
// They stay loaded for the rest of the process.
bool LoadSoundApi(std::string& error) {
  static int loaded = -1;
  static std::string why;
  if (loaded < 0) {
    void* sdl = ::dlopen(kSdlLibrary, RTLD_NOW | RTLD_LOCAL);
    void* mixer = sdl ? ::dlopen(kMixerLibrary, RTLD_NOW | RTLD_LOCAL) : nullptr;
    if (!mixer) {
      const char* reason = ::dlerror();
      why = reason ? reason : "cannot load the sound library";
      loaded = 0;
    } else {
      SoundApi& a = Api();
      const bool all =
          Resolve(sdl, "SDL_SetHint", a.SetHint) &&
          Resolve(sdl, "SDL_InitSubSystem", a.InitSubSystem) &&
          Resolve(sdl, "SDL_QuitSubSystem", a.QuitSubSystem) &&
          Resolve(sdl, "SDL_GetError", a.GetError) &&
          Resolve(sdl, "SDL_RWFromConstMem", a.RWFromConstMem) &&
          Resolve(mixer, "Mix_Init", a.Init) && Resolve(mixer, "Mix_Quit", a.Quit) &&
          Resolve(mixer, "Mix_OpenAudio", a.OpenAudio) &&
          Resolve(mixer, "Mix_CloseAudio", a.CloseAudio) &&
          Resolve(mixer, "Mix_HookMusicFinished", a.HookMusicFinished) &&
          Resolve(mixer, "Mix_VolumeMusic", a.VolumeMusic) &&
          Resolve(mixer, "Mix_PlayMusic", a.PlayMusic) &&
          Resolve(mixer, "Mix_HaltMusic", a.HaltMusic) &&
          Resolve(mixer, "Mix_PlayingMusic", a.PlayingMusic) &&
          Resolve(mixer, "Mix_FreeMusic", a.FreeMusic) &&
          Resolve(mixer, "Mix_LoadMUS_RW", a.LoadMUS_RW) &&
          Resolve(mixer, "Mix_LoadMUSType_RW", a.LoadMUSType_RW);
      if (!all) why = std::string(kMixerLibrary) + " lacks a function of its header";
      loaded = all ? 1 : 0;
    }
  }
  error = why;
  return loaded == 1;
}

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
  if (mixer.open && mixer.hooked) Api().HookMusicFinished(nullptr);
  mixer.hooked = false;
}

void ShutDownMixer();

bool StartMixer() {
  Mixer& mixer = TheMixer();
  if (mixer.started) return mixer.open;
  mixer.started = true;
  std::string error;
  if (!LoadSoundApi(error)) {
    qWarning("No audio device, sounds are off: %s", error.c_str());
    return false;
  }
  SilenceAlsa();
  // SDL would otherwise catch SIGINT and SIGTERM and turn them into quit events
  // of an SDL event loop that this program never runs: the process could no
  // longer be ended by a signal.
  Api().SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (Api().InitSubSystem(SDL_INIT_AUDIO) != 0) {
    qWarning("No audio device, sounds are off: %s", Api().GetError());
    return false;
  }
  // WAV needs no decoder; the others play where the library has them.
  Api().Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_MID);
  if (Api().OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    qWarning("No audio device, sounds are off: %s", Api().GetError());
    Api().Quit();
    Api().QuitSubSystem(SDL_INIT_AUDIO);
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
      std::string error;
      music_ = LoadMusic(error);
      if (!music_) {
        qWarning("Cannot play sound \"%s\": %s", file_.c_str(), error.c_str());
        unplayable_ = true;
        return;
      }
    }
    if (!mixer.hooked && QCoreApplication::instance()) {
      Api().HookMusicFinished(MusicFinished);
      mixer.hooked = true;
    }
    if (mixer.owner && mixer.owner != this) mixer.owner->playing_ = false;
    HaltMusic();
    Api().VolumeMusic(VolumeToMixerLevel(volume_));
    if (Api().PlayMusic(music_, 0) != 0) {
      qWarning("Cannot play sound \"%s\": %s", file_.c_str(), Api().GetError());
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
    return Api().PlayingMusic() ? mpPlaying : mpStopped;
  }

  long Volume() const override { return volume_; }

  void SetVolume(long volume) override {
    volume_ = std::clamp(volume, kVolumeSilent, kVolumeFull);
    const Mixer& mixer = TheMixer();
    if (mixer.open && mixer.owner == this) Api().VolumeMusic(VolumeToMixerLevel(volume_));
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
    if (music_ && TheMixer().open) Api().FreeMusic(music_);
    music_ = nullptr;
    bytes_.clear();
    bytes_.shrink_to_fit();
  }

 private:
  // The file is read by us (a regular file only, opened without blocking: a
  // FIFO named as a set's sound must not freeze the show) and decoded from
  // memory. The type comes from the content, else from the file's extension.
  Mix_Music* LoadMusic(std::string& error) {
    constexpr std::size_t kMaxSoundBytes = 512u << 20;
    if (!ReadRegularFile(file_, kMaxSoundBytes, bytes_) || bytes_.empty()) {
      error = "not a readable regular file";
      return nullptr;
    }
    const auto bytes = [this] { return Api().RWFromConstMem(bytes_.data(), int(bytes_.size())); };
    if (Mix_Music* music = Api().LoadMUS_RW(bytes(), 1)) return music;
    std::string extension = file_.substr(std::min(file_.size(), file_.rfind('.') + 1));
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    const Mix_MusicType type = extension == "wav"                       ? MUS_WAV
                               : extension == "mid" || extension == "midi" ? MUS_MID
                               : extension == "ogg"                       ? MUS_OGG
                               : extension == "mp3"                       ? MUS_MP3
                               : extension == "flac"                      ? MUS_FLAC
                                                                          : MUS_NONE;
    Mix_Music* music = type == MUS_NONE ? nullptr : Api().LoadMUSType_RW(bytes(), type, 1);
    if (!music) error = Api().GetError();
    return music;
  }

  // Halts whatever the mixer plays, marking earlier ends as stale.
  static void HaltMusic() {
    Mixer& mixer = TheMixer();
    if (!mixer.open) return;
    ++mixer.generation;
    mixer.selfHalt = true;
    Api().HaltMusic();
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
  Api().HookMusicFinished(nullptr);
  mixer.hooked = false;
  Api().HaltMusic();
  for (SdlSoundPlayer* player : mixer.players) player->ReleaseMusic();
  mixer.owner = nullptr;
  Api().CloseAudio();
  Api().Quit();
  Api().QuitSubSystem(SDL_INIT_AUDIO);
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
