#pragma once
// A program folder of image sets and a catalogue for the settings dialog's
// tests, and the dialog itself with its program end and message boxes recorded.
#include <QApplication>
#include <QMouseEvent>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "core/windows.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "settings/frmKestrin.h"
#include "tests/support/testenv.h"

namespace orvane::test {

// Records the progress window's calls; onShow runs inside Show (once at a time).
class RecordingProgress : public core::ProgressWindow {
 public:
  void Show() override {
    calls.push_back("Show");
    if (onShow && !inShow_) {
      inShow_ = true;
      onShow();
      inShow_ = false;
    }
  }
  void Hide() override { calls.push_back("Hide"); }
  void Unload() override { calls.push_back("Unload"); }
  std::vector<std::string> calls;
  std::function<void()> onShow;

 private:
  bool inShow_ = false;
};

inline std::string SetFile(const std::string& name, const std::string& images) {
  return "[SetDescriptions]\r\n" + name + "=x\\\r\n[" + name + "]\r\n" + images;
}

// Makes root the program folder of the stand-in registry.
inline void UseProgramFolder(const std::filesystem::path& root) {
  platform::RegSetValue(platform::Hive::LocalMachine, core::kProgramPathKey, "@", root.string());
}

// Sets "Sea" (included, title page under the user's control, sound), "Blue
// Sea" (excluded, its title page on and out of the user's control), "Forest" (on
// disk only), "Gone" (catalogued, its folder deleted) and a folder whose
// images.ini declares a name that cannot be a section.
struct KestrinFixture {
  std::filesystem::path root;
  std::string settings;
  std::string catalogue;

  KestrinFixture() {
    root = MakeTempDir("program");
    WriteFile(root / "Sea/images.ini", SetFile("Sea", "wave=wave01\r\nshore=shore01\r\n"));
    WriteFile(root / "Sea/company.ini", "[TitlePage]\r\nfile=title01\r\nuserControl=1\r\n[Sound]\r\nHasSound=1\r\n");
    WriteFile(root / "Blue Sea/images.ini", SetFile("Blue Sea", "deep=deep01\r\n"));
    WriteFile(root / "Blue Sea/company.ini", "[TitlePage]\r\nfile=blue00\r\nuserControl=0\r\n");
    WriteFile(root / "Forest/images.ini", SetFile("Forest", "oak=oak01\r\npine=pine01\r\n"));
    WriteFile(root / "Odd/images.ini", SetFile("Odd]Set", "x=x01\r\n"));
    UseProgramFolder(root);
    settings = core::GetSettingsFolder();
    catalogue = settings + "Orvane.ini";
    WriteFile(catalogue,
              "[SetDescriptions]\r\nSea=Sea\\\r\nBlue Sea=*Blue Sea\\\r\nGone=Gone\\\r\n"
              "[Sea]\r\nwave=wave01\r\nshore=*shore01\r\n"
              "[Gone]\r\ng1=g01\r\n"
              "[Blue Sea]\r\ndeep=deep01\r\nGone=gone-image\r\n"
              "[Launcher]\r\nURL=\r\n");
    // Applied before: no first-run applies.
    WriteFile(settings + "ScreenSaver.ini", "[ScreenSaver]\r\nSetup=1\r\n");
  }
};

// The dialog with its program end recorded and message boxes answered.
struct Dialog {
  RecordingProgress progress;
  std::unique_ptr<settings::frmKestrin> form;
  int ended = 0;
  std::vector<platform::MessageBoxCall> boxes;

  Dialog() {
    platform::SetMessageBoxHandler([this](const platform::MessageBoxCall& call) {
      boxes.push_back(call);
      return 1;
    });
    form = std::make_unique<settings::frmKestrin>(&progress);
    form->EndProgram = [this] { ++ended; };
  }
  ~Dialog() {
    form.reset();
    platform::SetMessageBoxHandler({});
  }
  settings::frmKestrin* operator->() { return form.get(); }
};

inline void Mouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// Right-button drag from the entry of source to the partner list: press, one
// move of dy pixels, release over the partner.
inline void RightDrag(platform::VbListBox& source, int entry, QWidget& partner, int dy = 4) {
  const QPoint start = source.visualItemRect(source.item(entry)).center();
  Mouse(source.viewport(), QEvent::MouseButtonPress, start, Qt::RightButton, Qt::RightButton);
  Mouse(source.viewport(), QEvent::MouseMove, start + QPoint(0, dy), Qt::NoButton, Qt::RightButton);
  const QPoint over = source.viewport()->mapFromGlobal(partner.mapToGlobal(QPoint(5, 5)));
  Mouse(source.viewport(), QEvent::MouseButtonRelease, over, Qt::RightButton, Qt::NoButton);
}

inline std::vector<std::string> Entries(const platform::VbListBox& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

inline std::vector<std::string> Entries(const platform::VbComboBox& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.ListCount(); ++i) out.push_back(list.List(i));
  return out;
}

}  // namespace orvane::test
