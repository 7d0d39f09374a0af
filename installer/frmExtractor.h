#pragma once
// The installer window and its run: reads "custom.inf" of the source folder,
// records the program folder, lists the ".ilb" libraries, checks disk space,
// lets the user choose sets and accept their licences, extracts them, offers the
// older product's sets and closes with the completion page.
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/InstallerWindows.h"
#include "installer/Library.h"

class QLabel;
class QPainter;

namespace orvane::installer {

// Registry key of the older product, whose sets the run offers to take over.
inline constexpr const char* kOldProgramPathKey =
    "Software\\Kestrin Corporation\\Kestrin Configuration\\ProgramPath";

class frmExtractor : public QWidget {
  Q_OBJECT

 public:
  explicit frmExtractor(QWidget* parent = nullptr);
  ~frmExtractor() override;

  // ---- Seams for tests ----
  // Shows a window modally (default platform::ShowModal).
  std::function<void(QWidget&)> ShowModalWindow;
  // Starts a program on its own, not waited for, without a shell (default
  // QProcess::startDetached in the program folder); false when it cannot start.
  std::function<bool(const QString& program, const QStringList& arguments)> StartProgram;
  // The pause before the run ends for want of a library.
  int NoLibraryWaitMs = 2000;
  // The folder of the installer's own program: the source folder of an empty
  // command line, and where "tobrin" and "orvane" are looked for first.
  std::string OwnFolder;

  // ---- Controls ----
  QLabel* picLogo = nullptr;
  QLabel* Label1 = nullptr;  // carries the caption's font name
  frmStatus* status = nullptr;
  frmSelectSets* selectSets = nullptr;
  frmLicenseAgreement* licenseAgreement = nullptr;
  frmComplete* complete = nullptr;

  // ---- The run's state ----
  std::string SourceFolder;
  std::string LibraryFolder;
  std::string ProgramFolder;
  std::vector<clsILB> Libraries;  // keyed by file name, in listing order
  bool NoSetInstalled = true;

  // The whole run; returns the process's exit code.
  int Form_Load(const std::string& commandLine);

  // The program folder from HKEY_CURRENT_USER\registryInfo, mirrored into
  // HKEY_LOCAL_MACHINE; "" when it cannot be read.
  std::string GetInstallPath(const std::string& registryInfo);
  // Free bytes in the program folder's file system; sets every library's need.
  std::int64_t CalcLibrarySpace(const std::string& drive);
  // Free bytes in drive's file system; need = what the regular files of folder
  // take there.
  std::int64_t CalcFolderSpace(const std::string& drive, const std::string& folder, std::int64_t& need);
  // The first library whose set name is exactly name; nullptr when none.
  clsILB* FindSetByName(const std::string& name);
  // 0 without a "license.txt" entry, else the licence page's result.
  int ShowSetLicense(const std::string& libraryFile);
  // Licence step, then extraction into the set's folder. True when installed.
  bool InstallSet(const clsILB& library);
  // The set's folder below the program folder, ending in "/"; "" when the
  // library is refused.
  std::string GetSetFolder(const clsILB& library);
  void ImportOldSets();

  void PaintBackground(QPainter& painter);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Form_Resize();
  void ShowStatus();
  void CentreOnWindow(QWidget& window);
  void StartAfterCompletion();
  std::string ProgramBeside(const std::string& name) const;
  // Reports a library that cannot be installed.
  void RefuseLibrary(const std::string& libraryFile, const std::string& reason);

  bool statusPlaced_ = false;
};

}  // namespace orvane::installer
