// How soon input ends the show while a large picture is being prepared: the
// show's window prepares a slide of PICTURE (a JPEG or bitmap), and a key comes
// from another thread, as the window system delivers it, after each of a range
// of delays into the preparation. Prints, per delay, the milliseconds from the
// key to the end of the show (QuitSaver set) and to the preparation's return,
// and the largest of each. The goal is under 200 ms.
//   orvane-saver-input PICTURE SCREEN_W SCREEN_H fit|own
// "own" shows the picture at its own size (no stretch: the whole picture is
// decoded); "fit" fits it to the screen.
#include <QApplication>
#include <QKeyEvent>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "core/Globals.h"
#include "core/PPS.h"
#include "core/Utils.h"
#include "platform/registry.h"
#include "saver/frmSaver.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: orvane-saver-input PICTURE SCREEN_W SCREEN_H fit|own\n");
    return 2;
  }
  const fs::path picture = fs::absolute(argv[1]);
  const int screenW = std::atoi(argv[2]);
  const int screenH = std::atoi(argv[3]);
  const bool fit = std::string(argv[4]) == "fit";

  char pattern[] = "/tmp/orvane-input-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path home = pattern;
  setenv("HOME", (home / "home").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "home/.local/share").c_str(), 1);
  setenv("XDG_STATE_HOME", (home / "home/.local/state").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  setenv("ORVANE_DESKTOP", "record", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  const fs::path program = home / "program";
  fs::create_directories(program / "Bench");
  const std::string name = "photo" + picture.extension().string();
  fs::create_symlink(picture, program / "Bench" / name);
  orvane::platform::RegSetValue(orvane::platform::Hive::LocalMachine,
                                orvane::core::kProgramPathKey, "", program.string() + "/");
  const std::string settings = orvane::core::GetSettingsFolder();
  Write(settings + "ScreenSaver.ini", std::string("[ScreenSaver]\r\nSetup=1\r\n[PrefsSS]\r\nRandom=0\r\n") +
                                          "CurrentSet=Bench\r\nstretch=" + (fit ? "1" : "0") + "\r\n");
  Write(settings + "Orvane.ini", "[SetDescriptions]\r\nBench=Bench\\\r\n[Bench]\r\nphoto=" + name + "\r\n");

  // The preparation's own length first, without input.
  double whole = 0;
  {
    orvane::saver::frmSaver window(QRect(0, 0, screenW, screenH));
    window.Load();
    window.tmrTrans.SetEnabled(false);
    const auto start = Clock::now();
    window.PrepImage();
    whole = Ms(Clock::now() - start);
  }
  std::printf("preparation_ms %.1f\n", whole);

  double worstEnd = 0, worstReturn = 0;
  for (const double fraction : {0.05, 0.2, 0.4, 0.6, 0.8}) {
    orvane::core::QuitSaver = false;
    orvane::saver::frmSaver window(QRect(0, 0, screenW, screenH));
    window.Load();
    window.tmrTrans.SetEnabled(false);
    window.show();
    std::atomic<bool> started{false};
    Clock::time_point sent{}, ended{};
    struct Watch : QObject {
      Clock::time_point* ended;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) *ended = Clock::now();
        return false;
      }
    } watch;
    watch.ended = &ended;
    window.installEventFilter(&watch);
    // Made here: an event's input device belongs to the GUI thread.
    auto* key = new QKeyEvent(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    std::thread input([&] {
      while (!started) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::microseconds(long(whole * fraction * 1000)));
      sent = Clock::now();
      QCoreApplication::postEvent(&window, key);
    });
    started = true;
    window.PrepImage();
    const auto returned = Clock::now();
    input.join();
    QCoreApplication::processEvents();
    window.removeEventFilter(&watch);
    const double toEnd = Ms(ended - sent), toReturn = Ms(returned - sent);
    std::printf("key_at_%2.0f%% end_ms %.1f return_ms %.1f\n", fraction * 100, toEnd,
                std::max(0.0, toReturn));
    worstEnd = std::max(worstEnd, toEnd);
    worstReturn = std::max(worstReturn, toReturn);
  }
  std::printf("worst_end_ms %.1f\nworst_return_ms %.1f\n", worstEnd, worstReturn);
  std::error_code ignored;
  fs::remove_all(home, ignored);
  return 0;
}
