#include "installer/frmExtractor.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "core/PPS.h"
#include "installer/DiskSpace.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/fonts.h"
#include "platform/modal.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/textcodec.h"
#include "platform/vbruntime.h"

namespace orvane::installer {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string folder) {
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

// Regular files of folder whose name ends in ".ilb" in any case, by name.
std::vector<std::string> ListLibraries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (name.size() > 4 && LowerAscii(name.substr(name.size() - 4)) == ".ilb" &&
        it->is_regular_file(typeError))
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

frmExtractor::frmExtractor(QWidget* parent) : QWidget(parent) {
  ShowModalWindow = [](QWidget& window) { platform::ShowModal(window); };
  StartProgram = [this](const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments, QString::fromStdString(ProgramFolder));
  };
  OwnFolder = WithSlash(QCoreApplication::applicationDirPath().toStdString());

  setAttribute(Qt::WA_OpaquePaintEvent);
  Label1 = new QLabel(this);
  Label1->setFont(QFont(QStringLiteral("Times New Roman")));
  Label1->hide();
  picLogo = new QLabel(this);
  status = new frmStatus(this);
  selectSets = new frmSelectSets(this);
  licenseAgreement = new frmLicenseAgreement(this);
  complete = new frmComplete(this);
  resize(800, 600);
}

frmExtractor::~frmExtractor() = default;

// ---- The window ------------------------------------------------------------------

void frmExtractor::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PaintBackground(painter);
}

void frmExtractor::PaintBackground(QPainter& painter) {
  const int h = height();
  const int w = width();
  double b = 0, g = 0, accumulator = 255;
  const double step = h > 0 ? -510.0 / h : 0;
  for (int y = h; y >= 0; y -= 2) {
    const int blue = std::clamp(static_cast<int>(platform::RoundHalfEven(b)), 0, 255);
    const int green = std::clamp(static_cast<int>(platform::RoundHalfEven(g)), 0, 255);
    // The box from (-1, y - 1) to (w, y + 2), both corners included.
    painter.fillRect(QRect(QPoint(-1, y - 1), QPoint(w, y + 2)), QColor(0, green, blue));
    accumulator += step;
    b = 255 - accumulator;
    g = b / 2;
  }
  platform::FontSpec face;
  face.Name = Label1->font().family();
  face.Size = 28;
  const QFont font = platform::MakeQFont(face);
  painter.setFont(font);
  const int ascent = QFontMetrics(font).ascent();
  // The caption twice: a black shadow, then bright white over it.
  painter.setPen(QColor(0, 0, 0));
  painter.drawText(8, 8 + ascent, windowTitle());
  painter.setPen(QColor(255, 255, 255));
  painter.drawText(4, 4 + ascent, windowTitle());
}

void frmExtractor::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Form_Resize();
}

void frmExtractor::Form_Resize() {
  picLogo->adjustSize();
  picLogo->move((width() - picLogo->width()) / 2, height() / 7);
}

void frmExtractor::CentreOnWindow(QWidget& window) {
  window.resize(window.size().expandedTo(window.sizeHint()));
  window.move(geometry().center() - window.rect().center());
}

void frmExtractor::ShowStatus() {
  if (!status->isVisible()) {
    if (!statusPlaced_) {
      // First shown in the middle of the installer window; later where the user left it.
      CentreOnWindow(*status);
      statusPlaced_ = true;
    }
    status->show();
  }
  platform::DoEvents();
}

void frmExtractor::RefuseLibrary(const std::string& libraryFile, const std::string& reason) {
  // File names and reasons are UTF-8; the box takes code-page text.
  platform::MsgBox("The image set library \"" + platform::FromUtf8(FileName(libraryFile)) +
                       "\" cannot be installed: " + platform::FromUtf8(reason) + ".\r\nNothing of it was written.",
                   platform::vbExclamation, "Image Set Library Error", this);
}

// ---- Program folder and disk space --------------------------------------------------

std::string frmExtractor::GetInstallPath(const std::string& registryInfo) {
  const auto value = platform::RegQueryValue(platform::Hive::CurrentUser, registryInfo, "");
  if (!value || value->empty()) return {};
  std::string folder = WithSlash(*value);
  // A relative folder would land wherever the installer happens to be started.
  if (folder.front() != '/') return {};
  // A failure to mirror it is passed over: the folder is returned all the same.
  platform::RegSetValue(platform::Hive::LocalMachine, registryInfo, "", folder);
  return folder;
}

std::int64_t frmExtractor::CalcLibrarySpace(const std::string& drive) {
  const auto disk = QueryDisk(drive);
  if (!disk)
    platform::MsgBox("The free disk space of \"" + drive + "\" cannot be read, so no image set can be installed there.",
                     platform::vbExclamation, "Disk Space", this);
  // Without a known allocation unit the needs are plain byte counts.
  const std::uint64_t cluster = disk ? disk->clusterBytes : 1;
  for (clsILB& library : Libraries) {
    std::uint64_t clusters = 0;
    LibraryReader reader;
    if (reader.Open(library.szLibFile)) {
      LibraryEntry entry;
      while (reader.Next(entry)) {
        status->SetStatus(entry.name);
        platform::DoEvents();
        // What is written: size + 1 bytes.
        clusters += ClusterCount(static_cast<std::uint64_t>(entry.DataBytes()), cluster);
      }
    }
    library.lSizeNeeded = static_cast<std::int64_t>(clusters * cluster);
  }
  return disk ? static_cast<std::int64_t>(disk->freeBytes) : 0;
}

std::int64_t frmExtractor::CalcFolderSpace(const std::string& drive, const std::string& folder,
                                           std::int64_t& need) {
  const auto disk = QueryDisk(drive);
  const std::uint64_t cluster = disk ? disk->clusterBytes : 1;
  std::uint64_t clusters = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fileError;
    if (!it->is_regular_file(fileError) || it->path().filename().string().front() == '.') continue;
    const auto size = it->file_size(fileError);
    if (!fileError) clusters += ClusterCount(size, cluster);
  }
  need = static_cast<std::int64_t>(clusters * cluster);
  return disk ? static_cast<std::int64_t>(disk->freeBytes) : 0;
}

clsILB* frmExtractor::FindSetByName(const std::string& name) {
  for (clsILB& library : Libraries)
    if (library.szSetName == name) return &library;
  return nullptr;
}

// ---- Licence and extraction ------------------------------------------------------------

int frmExtractor::ShowSetLicense(const std::string& libraryFile) {
  const LibraryCheck check = CheckLibrary(libraryFile);
  if (!check.error.empty() || !check.license) return 0;
  licenseAgreement->Prepare(check.setName, *check.license);
  CentreOnWindow(*licenseAgreement);
  ShowModalWindow(*licenseAgreement);
  // A page that went away without an answer declines.
  return licenseAgreement->Result == kAccepted ? kAccepted : kDeclined;
}

std::string frmExtractor::GetSetFolder(const clsILB& library) {
  const LibraryCheck check = CheckLibrary(library.szLibFile);
  return check.error.empty() ? check.folder : std::string();
}

bool frmExtractor::InstallSet(const clsILB& library) {
  // The whole library is checked before the licence is offered or a byte written.
  const LibraryCheck check = CheckLibrary(library.szLibFile);
  if (!check.error.empty()) {
    RefuseLibrary(library.szLibFile, check.error);
    return false;
  }
  if (ShowSetLicense(library.szLibFile) == kDeclined) return false;

  status->SetMessage("Extracting images from \n" + library.szSetName);
  status->SetStatus("");
  ShowStatus();
  const ExtractResult result =
      ExtractLibrary(library.szLibFile, ProgramFolder, [this](const std::string& name) {
        status->SetStatus(name);
        platform::DoEvents();
      });
  if (!result.error.empty()) {
    platform::MsgBox("The image set \"" + library.szSetName + "\" could not be installed: " +
                         platform::FromUtf8(result.error) +
                         ".\r\nWhat it had written was removed; the set is not installed.",
                     platform::vbExclamation, "Image Set Error", this);
    return false;
  }
  NoSetInstalled = false;
  return true;
}

// ---- The run -------------------------------------------------------------------------------

int frmExtractor::Form_Load(const std::string& commandLine) {
  NoSetInstalled = true;
  SourceFolder = WithSlash(commandLine.empty() ? OwnFolder : commandLine);
  if (SourceFolder.front() != '/') SourceFolder = WithSlash(fs::absolute(SourceFolder).string());
  const std::string customInf = SourceFolder + "custom.inf";
  // Without the file every key below reads empty, and the registry message
  // would point the user at the wrong thing: a wrong or empty folder argument.
  if (!QFileInfo(QString::fromStdString(platform::ResolveCaseInsensitive(customInf))).isFile()) {
    platform::MsgBox("\"" + platform::FromUtf8(customInf) +
                         "\" was not found: start pellam with the folder that holds the image-set "
                         "libraries and their \"custom.inf\".",
                     platform::vbCritical, "Error", this);
    return 1;
  }
  LibraryFolder = WithSlash(SourceFolder + core::GetIniString("Custom", "SetDir", "", customInf));
  const std::string registryInfo = core::GetIniString("Custom", "RegistryInfo", "", customInf);
  const std::string productId = core::GetIniString("Custom", "ProductID", "", customInf);
  (void)productId;
  const long numSets = core::GetIniInt("Custom", "NumSets", 1, customInf);
  if (registryInfo.empty()) {
    platform::MsgBox("Registry Key is incorrect!", platform::vbCritical, "Error", this);
    return 1;
  }
  ProgramFolder = GetInstallPath(registryInfo);
  if (ProgramFolder.empty()) {
    // No box here: the setup program records the folder before it starts us.
    std::fprintf(stderr, "pellam: no program folder is recorded under HKEY_CURRENT_USER\\%s\n",
                 registryInfo.c_str());
    return 1;
  }
  std::error_code ec;
  fs::create_directories(ProgramFolder, ec);
  if (ec) {
    platform::MsgBox("The program folder \"" + platform::FromUtf8(ProgramFolder) +
                         "\" cannot be made: " + platform::FromUtf8(ec.message()) + ".",
                     platform::vbCritical, "Error", this);
    return 1;
  }

  setWindowTitle(QStringLiteral("Install Image ") + (numSets < 2 ? "Set" : "Sets"));
  const std::string logo = platform::ResolveCaseInsensitive(LibraryFolder + "logo.bmp");
  const QImage logoImage(QString::fromStdString(logo));
  if (fs::is_regular_file(logo, ec) && !logoImage.isNull()) {
    picLogo->setPixmap(QPixmap::fromImage(logoImage));
    picLogo->show();
  } else {
    picLogo->hide();
  }
  // The whole work area, also where no window manager maximizes it.
  if (const QScreen* shown = screen()) setGeometry(shown->availableGeometry());
  showMaximized();
  Form_Resize();
  platform::DoEvents();

  Libraries.clear();
  for (const std::string& name : ListLibraries(LibraryFolder)) {
    const std::string path = LibraryFolder + name;
    const LibraryCheck check = CheckLibrary(path);
    if (!check.error.empty()) {
      RefuseLibrary(path, check.error);
      continue;
    }
    if (auto library = ReadLibraryHeader(path)) Libraries.push_back(*library);
  }
  if (Libraries.empty()) {
    std::fprintf(stderr, "pellam: no image-set library (.ilb) to install in %s\n", LibraryFolder.c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(NoLibraryWaitMs));
    hide();
    return 0;
  }

  status->SetMessage(std::string("Calculating disk space needed for ") +
                     (Libraries.size() >= 2 ? "each " : "") + "image set.");
  status->SetStatus("Please Wait...");
  status->Label1->setText(QString::fromStdString(ProgramFolder));
  ShowStatus();
  const std::int64_t freeBytes = CalcLibrarySpace(ProgramFolder);

  if (Libraries.size() == 1) {
    if (Libraries.front().lSizeNeeded <= freeBytes) {
      InstallSet(Libraries.front());
    } else {
      platform::MsgBox("There is not enought disk space to install the image set.  Try to free up some "
                       "disk space and run Setup again.",
                       platform::vbExclamation, "Not Enough Disk Space!", this);
      NoSetInstalled = true;
    }
  } else {
    selectSets->lAvailable = freeBytes;
    selectSets->Folder = ProgramFolder;
    selectSets->Form_Load(Libraries);
    bool install = false;
    for (;;) {
      const QPoint where = status->pos();
      status->hide();
      selectSets->move(where);
      ShowModalWindow(*selectSets);
      const bool anySelected = !selectSets->lstSets->selectedItems().isEmpty();
      std::string question;
      if (!anySelected) {
        question = "No image sets selected!  Do you want to continue the installation\r\n"
                   "without installing any image sets?";
      } else if (selectSets->CloseState) {
        install = true;
        break;
      } else {
        question = "Do you want to continue the installation\r\nwithout installing any image sets?";
      }
      if (platform::MsgBox(question, platform::vbYesNo | platform::vbExclamation, "Image Set Error", this) ==
          platform::vbYes)
        break;
    }
    // Each chosen entry stands for its own library, so two libraries with one
    // set name are each installed once.
    if (install)
      for (int i = 0; i < selectSets->lstSets->count(); ++i)
        if (selectSets->lstSets->item(i)->isSelected()) InstallSet(Libraries[static_cast<std::size_t>(i)]);
    platform::Unload(*selectSets);
  }

  ImportOldSets();

  licenseAgreement->hide();
  status->hide();
  if (NoSetInstalled) complete->ShowNothingInstalled();
  CentreOnWindow(*complete);
  ShowModalWindow(*complete);
  if (complete->CloseStatus == kAccepted) StartAfterCompletion();
  complete->hide();
  hide();
  return 0;
}

std::string frmExtractor::ProgramBeside(const std::string& name) const {
  const QFileInfo beside(QString::fromStdString(OwnFolder + name));
  if (beside.isFile() && beside.isExecutable()) return beside.filePath().toStdString();
  return QStandardPaths::findExecutable(QString::fromStdString(name)).toStdString();
}

void frmExtractor::StartAfterCompletion() {
  // The wallpaper changer, then the configuration program; one that cannot be
  // started is passed over.
  const std::string tobrin = ProgramBeside("tobrin");
  if (!tobrin.empty()) StartProgram(QString::fromStdString(tobrin), {});
  const QFileInfo configuration(
      QString::fromStdString(platform::ResolveCaseInsensitive(ProgramFolder + "Configuration.exe")));
  if (configuration.isFile() && configuration.isExecutable()) {
    StartProgram(configuration.filePath(), {});
    return;
  }
  // Without a configuration program of its own the folder is set up by the
  // screen saver's settings dialog, opened as the menu opens it: with the
  // saver's on/off switch and start delay, which "/c" hides.
  const std::string orvane = ProgramBeside("orvane");
  if (!orvane.empty()) StartProgram(QString::fromStdString(orvane), {});
}

}  // namespace orvane::installer
