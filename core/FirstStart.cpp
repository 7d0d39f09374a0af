#include "core/FirstStart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "platform/caption_lock.h"
#include "platform/desktop.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/registry.h"

#ifndef ORVANE_STARTER_SETS_RELATIVE
#define ORVANE_STARTER_SETS_RELATIVE "../share/orvane/sets"
#endif

namespace orvane::core {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTemplates[] = {"ScreenSaver.ini", "config.ini"};

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

bool IsSetFolder(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && FileExists(WithSlash(folder.string()) + "images.ini");
}

// Copies a template unless the folder has that file. The copy is the user's own
// and writable, whatever the installed file's mode; it appears whole or not at
// all (written under a temporary name, then linked in place only if the name is
// still free), so two programs starting at once never see half a template.
void CopyTemplate(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec)) || !fs::is_regular_file(from, ec)) return;
  std::ifstream in(from, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) return;
  std::string temporary = (to.parent_path() / ("." + to.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return;
  bool written = fchmod(fd, 0644) == 0;
  for (std::size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    written = n > 0;
    if (written) done += static_cast<std::size_t>(n);
  }
  written = close(fd) == 0 && written;
  // The link fails when the name was taken meanwhile; a file system without
  // hard links gets the copy renamed into place (both starts copy the same bytes).
  if (written && link(temporary.c_str(), to.c_str()) != 0 && errno != EEXIST &&
      rename(temporary.c_str(), to.c_str()) == 0)
    return;
  unlink(temporary.c_str());
}

// Makes folder with a link to every entry of the installed set, and a writable
// copy of its "company.ini". An entry of the user's own under that name stays.
void LinkStarterSet(const fs::path& set, const fs::path& folder) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(folder, ec)) || !fs::create_directory(folder, ec)) return;
  for (fs::directory_iterator it(set, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path name = it->path().filename();
    std::error_code linkError;
    if (name == "company.ini") CopyTemplate(it->path(), folder / name);
    else fs::create_symlink(it->path(), folder / name, linkError);
  }
}

}  // namespace

std::string UserProgramFolder() { return platform::LocalAppDataFolder() + "sets/"; }

std::string PackagedStarterSets() {
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const fs::path sets = (program.parent_path() / ORVANE_STARTER_SETS_RELATIVE).lexically_normal();
  return fs::is_directory(sets, ec) ? WithSlash(sets.string()) : std::string();
}

bool ProgramFolderRecorded() {
  for (platform::Hive hive : {platform::Hive::LocalMachine, platform::Hive::CurrentUser}) {
    const auto value = platform::RegQueryValue(hive, kProgramPathKey, "");
    if (value && !value->empty()) return true;
  }
  return false;
}

FirstStartOutcome MakeProgramFolderIfNone(const std::string& starterSets,
                                          const std::string& programFolder) {
  FirstStartOutcome outcome;
  if (ProgramFolderRecorded()) return outcome;
  outcome.folder = WithSlash(programFolder);
  outcome.result = FirstStartResult::Failed;

  std::error_code ec;
  fs::create_directories(outcome.folder, ec);
  if (!fs::is_directory(outcome.folder, ec)) {
    outcome.error = "the program folder " + outcome.folder + " cannot be made";
    return outcome;
  }
  if (!starterSets.empty()) {
    const fs::path from(starterSets);
    for (const char* name : kTemplates) CopyTemplate(from / name, fs::path(outcome.folder) / name);
    // Each starter set gets a folder of links to the installed files, which stay
    // read-only and shared; only its "company.ini", the one set file the dialog
    // writes (the title page switch), is the user's own copy.
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->path().filename().string().front() != '.' && IsSetFolder(it->path()))
        LinkStarterSet(it->path(), fs::path(outcome.folder) / it->path().filename());
    }
  }
  // As the setup program (the user's key) and pellam (the machine's) record it.
  if (!platform::RegSetValue(platform::Hive::CurrentUser, kProgramPathKey, "", outcome.folder) ||
      !platform::RegSetValue(platform::Hive::LocalMachine, kProgramPathKey, "", outcome.folder)) {
    outcome.error = "the program folder " + outcome.folder + " cannot be recorded in the registry";
    return outcome;
  }
  outcome.result = FirstStartResult::Made;
  return outcome;
}

bool ClearFlagsOfKilledShow() {
  // Only looked at: a folder that is missing or cannot be made is for the
  // program's own start to report.
  const std::string folder = platform::LocalAppDataFolder();
  return platform::WhileNoShowRuns(folder, [&folder] {
    const std::string file = folder + settings::kScreenSaverIni;
    const auto& running = settings::kScreenSaver_Running;
    // Only a flag that is set is written: a file that does not hold it is left as it is.
    if (platform::GetPrivateProfileInt(running.section, running.key, 0, file) != 0)
      platform::WritePrivateProfileString(running.section, running.key, "0", file);
    if (platform::GetScreenSaverRunning()) platform::SetScreenSaverRunning(false);
  });
}

FirstStartOutcome FirstStart() {
  ClearFlagsOfKilledShow();
  if (ProgramFolderRecorded()) return {};
  const FirstStartOutcome outcome = MakeProgramFolderIfNone(PackagedStarterSets(), UserProgramFolder());
  if (outcome.result == FirstStartResult::Failed)
    std::fprintf(stderr, "Orvane: %s\n", outcome.error.c_str());
  return outcome;
}

}  // namespace orvane::core
