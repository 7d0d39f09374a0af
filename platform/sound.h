#pragma once
// The sound player that the slide show and the changer play set sounds with:
// a file name, play, stop, a play state, an end event and a volume in
// hundredths of a decibel. The real player runs on SDL2_mixer; tests install a
// recording player through the factory below.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace orvane::platform {

// Play states as the programs compare them.
enum PlayStateValue : int { mpStopped = 0, mpPlaying = 2 };

// Volume scale: -10000 is silent, 0 is full.
constexpr long kVolumeSilent = -10000;
constexpr long kVolumeFull = 0;

// Linear gain of a volume: 10^(volume / 2000), so -2000 is a tenth. The volume
// is clamped to -10000..0 first, and -10000 (a gain of 1e-5) is silence, 0.0.
double VolumeToGain(long volume);
// The same gain on SDL2_mixer's 0..128 scale, rounded to the nearest step.
int VolumeToMixerLevel(long volume);

class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;

  virtual std::string FileName() const = 0;
  // Stops what is playing; the new file is opened by the next Play.
  virtual void SetFileName(const std::string& path) = 0;
  // Starts the file from its beginning. Does nothing while it already plays; a
  // file that cannot be played leaves the player stopped.
  virtual void Play() = 0;
  virtual void Stop() = 0;
  // mpPlaying while a sound plays, else mpStopped.
  virtual int PlayState() const = 0;
  // -10000..0; values outside are clamped.
  virtual long Volume() const = 0;
  virtual void SetVolume(long volume) = 0;
  // Called on the GUI thread when a sound has played to its end (not after
  // Stop, a new file or a failed Play). The handler may call Play again.
  virtual void SetEndHandler(std::function<void()> handler) = 0;
};

// The player on SDL2_mixer. The mixer is opened once per process, at the first
// Play, and closed at exit; when no audio device can be opened the player is silent:
// every call is harmless and the state reads stopped. One sound plays at a time
// in a process: Play on one player stops another's sound (without its end event).
std::unique_ptr<SoundPlayer> CreateSdlSoundPlayer();
// True when the process has opened an audio device (opens it on first call).
bool SoundDeviceAvailable();
// True once something in the process has tried to open the mixer.
bool SoundMixerStarted();

// A player that records what it is told, for tests. Nothing is heard.
class RecordingSoundPlayer : public SoundPlayer {
 public:
  std::string FileName() const override { return file_; }
  void SetFileName(const std::string& path) override;
  void Play() override;
  void Stop() override;
  int PlayState() const override { return playing_ ? mpPlaying : mpStopped; }
  long Volume() const override { return volume_; }
  void SetVolume(long volume) override;
  void SetEndHandler(std::function<void()> handler) override { onEnd_ = std::move(handler); }

  // The test ends the sound as if it had played to its end: the state becomes
  // stopped and the end handler runs (at once, on the caller's thread).
  void FinishPlayback();
  // Files for which Play fails, as for a file the mixer cannot decode.
  void SetPlayable(bool playable) { playable_ = playable; }

  // "FileName=<path>", "Play", "Stop" in the order they came (volume changes
  // are kept apart in volumes()).
  const std::vector<std::string>& calls() const { return calls_; }
  // Every value given to SetVolume, after clamping.
  const std::vector<long>& volumes() const { return volumes_; }
  bool HasEndHandler() const { return static_cast<bool>(onEnd_); }

 private:
  std::string file_;
  long volume_ = kVolumeFull;
  bool playing_ = false;
  bool playable_ = true;
  std::function<void()> onEnd_;
  std::vector<std::string> calls_;
  std::vector<long> volumes_;
};

// The player the windows create. By default an SDL2_mixer player.
std::unique_ptr<SoundPlayer> CreateSoundPlayer();
// Replaces the factory; an empty function restores the SDL2_mixer player.
void SetSoundPlayerFactory(std::function<std::unique_ptr<SoundPlayer>()> factory);

// Installs itself as the factory for its lifetime: every player created hands
// its calls to a RecordingSoundPlayer that the test can read and drive after the
// window that made it is gone.
class RecordingSoundFactory {
 public:
  RecordingSoundFactory();
  ~RecordingSoundFactory();
  RecordingSoundFactory(const RecordingSoundFactory&) = delete;
  RecordingSoundFactory& operator=(const RecordingSoundFactory&) = delete;

  // Every player made, oldest first.
  const std::vector<std::shared_ptr<RecordingSoundPlayer>>& players() const { return players_; }
  // The newest player, or nullptr when none was made.
  RecordingSoundPlayer* last() const { return players_.empty() ? nullptr : players_.back().get(); }

 private:
  std::vector<std::shared_ptr<RecordingSoundPlayer>> players_;
};

// The changer's multimedia control: string commands "Open", "Play", "Stop" and
// "Close" over a file name, and a completion event with a notify code.
enum MciNotify : int {
  mciNotifySuccessful = 1, mciNotifySuperseded = 2, mciNotifyAborted = 4, mciNotifyFailure = 8,
};

class MMControl {
 public:
  // Uses CreateSoundPlayer().
  MMControl();
  explicit MMControl(std::unique_ptr<SoundPlayer> player);
  MMControl(const MMControl&) = delete;
  MMControl& operator=(const MMControl&) = delete;

  std::string FileName() const { return file_; }
  void SetFileName(const std::string& path) { file_ = path; }
  // "Open" takes the file name, "Play" starts it (a file that cannot be played
  // completes with mciNotifyFailure), "Stop" stops it, "Close" stops and lets
  // the file go. Unknown commands and a "Play" without "Open" do nothing.
  void Command(const std::string& command);
  // Raised with mciNotifySuccessful when a sound has played to its end.
  void SetDoneHandler(std::function<void(int notifyCode)> handler) { onDone_ = std::move(handler); }
  int PlayState() const { return player_->PlayState(); }

 private:
  void RaiseDone(int code);

  std::unique_ptr<SoundPlayer> player_;
  std::string file_;
  bool open_ = false;
  std::function<void(int)> onDone_;
};

}  // namespace orvane::platform
