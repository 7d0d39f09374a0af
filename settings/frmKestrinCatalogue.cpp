// The catalogue of image sets as the settings dialog keeps it: built from
// "Orvane.ini" and the set folders found on disk at every load, changed on the
// "Edit Sets" page, written back when that page is applied.
#include <algorithm>
#include <optional>

#include "core/Catalogue.h"
#include "core/FindFiles.h"
#include "core/ImportSetDescriptions.h"
#include "core/PPS.h"
#include "core/SettingsKeys.h"
#include "core/Utils.h"
#include "settings/CatalogueFile.h"
#include "settings/frmKestrin.h"

namespace orvane::settings {

namespace keys = core::settings;
using platform::VbListBox;

namespace {

constexpr const char* kSetDescriptions = keys::kSectionSetDescriptions;
constexpr const char* kCatalogueRepairText = "The image set catalogue";

bool Excluded(const std::string& value) { return !value.empty() && value.front() == keys::kExcludedMarker; }

bool AsciiEqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::vector<std::string> SplitKeyList(const std::string& keyList) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < keyList.size()) {
    std::size_t end = keyList.find('\0', start);
    if (end == std::string::npos) end = keyList.size();
    if (end > start) names.push_back(keyList.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

std::string CompanyIni(const std::string& root, const core::SetInfoClass& set) {
  return set.FolderPath(root) + "company.ini";
}

// The flags a set takes from its "company.ini".
void ReadCompanyFlags(const std::string& root, core::SetInfoClass& set) {
  const std::string company = CompanyIni(root, set);
  const IniSnapshot ini(company);
  set.UserControl = core::GetIniInt("TitlePage", "userControl", 1, company) != 0;
  const std::string file = ini.Value("TitlePage", "file");
  set.HasTitlePage = !file.empty();
  set.ShowTitlePage = !Excluded(file);
  set.HasSound = core::GetIniInt("Sound", "HasSound", 0, company) != 0;
}

}  // namespace

void frmKestrin::InitSetsInfo() {
  Sets = core::SetsClass();
  if (SettingsFolder.empty()) SettingsFolder = core::GetSettingsFolder();
  // The settings files are named even without a program folder: the pages
  // read and write their settings through them.
  CatalogueFile = SettingsFolder + keys::kOrvaneIni;
  SettingsFile = SettingsFolder + keys::kScreenSaverIni;
  ImageSetRoot = core::GetProgramPath();
  if (ImageSetRoot.empty()) return;

  BuildSetCollection(core::GetIniString(kSetDescriptions, "", "", CatalogueFile));

  // Every folder below the program folder that holds an "images.ini".
  core::FindFiles finder;
  finder.StartPath(ImageSetRoot);
  finder.Pattern("images.ini");
  std::vector<std::string> found;
  if (!finder.Find(found)) {
    core::ShowNoImageSetsMessage(ImageSetRoot);
    ending_ = true;
    if (EndProgram) EndProgram();
    return;
  }
  struct Folder {
    std::string relative;  // ends in "/"
    std::string declared;  // the set name its images.ini declares
  };
  std::vector<Folder> folders;
  for (const std::string& path : found) {
    if (path.compare(0, ImageSetRoot.size(), ImageSetRoot) != 0) continue;
    const std::size_t nameAt = path.rfind('/') + 1;
    if (nameAt <= ImageSetRoot.size()) continue;  // the program folder's own file
    // A file that declares several sets stands for its first, as the import takes it.
    folders.push_back({path.substr(ImageSetRoot.size(), nameAt - ImageSetRoot.size()), core::DeclaredSetName(path)});
  }

  // Cross off each catalogued set that a found folder declares; the sets left
  // have lost their folder, the folders left hold new sets. One pass each.
  std::optional<WriteFailure> repairFailure;
  auto reconcile = [&](const core::SetsClass::SetList& sets) {
    std::vector<std::string> names;
    for (const auto& set : sets) names.push_back(set->SetName());
    std::vector<bool> crossed(names.size(), false);
    for (auto folder = folders.begin(); folder != folders.end();) {
      bool matched = false;
      for (std::size_t i = 0; i < names.size() && !matched; ++i) {
        if (!crossed[i] && AsciiEqualNoCase(names[i], folder->declared)) crossed[i] = matched = true;
      }
      folder = matched ? folders.erase(folder) : folder + 1;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
      if (!crossed[i] && !RemoveCatalogSet(names[i]) && StorableSetName(names[i]) && !repairFailure)
        repairFailure = FailedWrite(kCatalogueRepairText, CatalogueFile);
  };
  reconcile(Sets.IncludedCollection());
  reconcile(Sets.ExcludedCollection());
  if (!folders.empty()) {
    core::SetImport import(SettingsFolder, ImageSetRoot);
    for (Folder& folder : folders) import.Add(folder.relative);
    if (!import.Commit() && !repairFailure) repairFailure = FailedWrite(kCatalogueRepairText, CatalogueFile);
  }
  // The dialog goes on with what the file holds; the user learns, once the
  // dialog is on screen, that it could not take in the sets found on disk. A
  // hidden load (the slide show's, the changer's) never waits on a box.
  if (repairFailure) loadFailures_.push_back(*repairFailure);

  Sets = core::SetsClass();
  BuildSetCollection(core::GetIniString(kSetDescriptions, "", "", CatalogueFile));
  for (auto* list : {&Sets.IncludedCollection(), &Sets.ExcludedCollection()})
    for (const auto& set : *list) InitImageInfo(*set);
}

void frmKestrin::BuildSetCollection(const std::string& keyList) {
  const IniSnapshot catalogue(CatalogueFile);
  for (const std::string& name : SplitKeyList(keyList)) {
    // A name that cannot be a section of its own is left in the file untouched
    // and kept out of the dialog, so nothing is ever written under it.
    if (!StorableSetName(name)) continue;
    auto set = std::make_shared<core::SetInfoClass>();
    set->SetName(name);
    const std::string dir = catalogue.Value(kSetDescriptions, name);
    if (Excluded(dir)) {
      set->SetDirectory(dir.substr(1));
      ReadCompanyFlags(ImageSetRoot, *set);
      Sets.ExcludeSet(set);
    } else {
      set->SetDirectory(dir);
      ReadCompanyFlags(ImageSetRoot, *set);
      Sets.IncludeSet(set);
    }
  }
}

void frmKestrin::InitImageInfo(core::SetInfoClass& set) {
  const IniSnapshot catalogue(CatalogueFile);
  for (const std::string& name : catalogue.Keys(set.SetName())) {
    const std::string value = catalogue.Value(set.SetName(), name);
    if (Excluded(value)) set.ExcludeImage(name, value.substr(1));
    else set.IncludeImage(name, value);
  }
}

std::shared_ptr<core::SetInfoClass> frmKestrin::LocateSet(const std::string& setName) const {
  return Sets.GetSet(setName);
}

void frmKestrin::ExcludeSets(VbListBox& list) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.Selected(i)) Sets.ExcludeSet(Sets.GetSet(list.List(i)));
}

void frmKestrin::IncludeSets(VbListBox& list) {
  for (int i = 0; i < list.ListCount(); ++i)
    if (list.Selected(i)) Sets.IncludeSet(Sets.GetSet(list.List(i)));
}

void frmKestrin::IncludeImages(const std::string& setName, VbListBox& list) {
  const auto set = LocateSet(setName);
  if (!set) return;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (!list.Selected(i)) continue;
    if (const auto image = set->FindImage(list.List(i))) set->IncludeImage(image->ImageName(), image->FileName());
  }
}

void frmKestrin::ExcludeImages(const std::string& setName, VbListBox& list) {
  const auto set = LocateSet(setName);
  if (!set) return;
  for (int i = 0; i < list.ListCount(); ++i) {
    if (!list.Selected(i)) continue;
    if (const auto image = set->FindImage(list.List(i))) set->ExcludeImage(image->ImageName(), image->FileName());
  }
}

void frmKestrin::DeselectList(VbListBox& list) {
  DeselectActive = true;
  for (int i = 0; i < list.ListCount(); ++i) list.SetSelected(i, false);
  DeselectActive = false;
}

void frmKestrin::MoveAll(VbListBox& src, VbListBox& dst) {
  while (src.ListCount() > 0) {
    dst.AddItem(src.List(0));
    src.RemoveItem(0);
  }
}

void frmKestrin::MoveSelected(VbListBox& src, VbListBox& dst) {
  int i = 0;
  while (i != src.ListCount()) {
    if (src.Selected(i)) {
      dst.AddItem(src.List(i), 0);
      src.RemoveItem(i);
    } else {
      ++i;
    }
  }
}

bool frmKestrin::SaveSetsInfo(WriteFailures* failures) {
  bool written = true;
  auto failed = [&](const std::string& what, const std::string& file) {
    if (failures) failures->push_back(FailedWrite(what, file));
    written = false;
  };
  core::IniBatch edits(CatalogueFile);
  auto saveSet = [&](const core::SetInfoClass& set, bool included) {
    const std::string& name = set.SetName();
    if (!StorableSetName(name) || !StorableValue(set.SetDirectory())) return;
    edits.Write(kSetDescriptions, name, (included ? "" : "*") + set.SetDirectory());

    if (set.HasTitlePage) {
      // The only key of a set's own file that the dialog writes; left alone
      // when it holds what it should already.
      const std::string company = CompanyIni(ImageSetRoot, set);
      const std::string stored = IniSnapshot(company).Value("TitlePage", "file");
      const std::string file = Excluded(stored) ? stored.substr(1) : stored;
      const std::string wanted = set.ShowTitlePage ? file : "*" + file;
      if (!file.empty() && wanted != stored && !core::WriteIni("TitlePage", "file", wanted, company))
        failed("The title page switch of the image set \"" + name + "\"", company);
    }
    for (int i = 1; i <= set.ExcludedCount(); ++i) {
      const core::ImageInfoClass& image = set.ExcludedImage(i);
      if (StorableKey(image.ImageName()) && StorableValue(image.FileName()))
        edits.Write(name, image.ImageName(), "*" + image.FileName());
    }
    for (int i = 1; i <= set.IncludedCount(); ++i) {
      const core::ImageInfoClass& image = set.IncludedImage(i);
      if (StorableKey(image.ImageName()) && StorableValue(image.FileName()))
        edits.Write(name, image.ImageName(), image.FileName());
    }
  };
  for (const auto& set : Sets.ExcludedCollection()) saveSet(*set, false);
  for (const auto& set : Sets.IncludedCollection()) saveSet(*set, true);
  if (edits.size() != 0 && !edits.Commit()) failed("The image sets", CatalogueFile);
  return written;
}

bool frmKestrin::RemoveCatalogSet(const std::string& setName) {
  if (!StorableSetName(setName)) return false;
  // The set's section and its one entry, through the ini layer: nothing else
  // of the file is touched, and a failure leaves all of it as it was.
  core::IniBatch edits(CatalogueFile);
  edits.DeleteSection(setName);
  edits.DeleteKey(kSetDescriptions, setName);
  return edits.Commit();
}

void frmKestrin::cmdImageMove_Click() {
  const std::string setName = cmboEditSet->Text();
  if (cmdImageMove->Tag == "Include") {
    IncludeImages(setName, *lstInactiveImages);
    MoveSelected(*lstInactiveImages, *lstActiveImages);
  } else {
    ExcludeImages(setName, *lstActiveImages);
    MoveSelected(*lstActiveImages, *lstInactiveImages);
  }
  UpdateLists();
  cmdImageMove->SetEnabled(false);
  SetApply();
}

void frmKestrin::cmdMoveSet_Click() {
  tmrEditSetsThumbnailChanger.SetEnabled(false);
  picEditSetsThumbnail->ClearPicture();
  if (cmdMoveSet->Tag == "Include") {
    IncludeSets(*lstInactiveSets);
    MoveSelected(*lstInactiveSets, *lstActiveSets);
  } else {
    ExcludeSets(*lstActiveSets);
    MoveSelected(*lstActiveSets, *lstInactiveSets);
  }
  UpdateLists();
  cmdMoveSet->SetEnabled(false);
  SetApply();
}

void frmKestrin::chkShowTitlePage_Click() {
  if (refreshingTitleBox_) return;
  const auto set = LocateSet(cmboEditSet->Text());
  // Only a set whose publisher lets the user switch its title page is changed.
  if (!set || !set->UserControl || !set->HasTitlePage) return;
  set->ShowTitlePage = chkShowTitlePage->Value() != 0;
  SetApply();
}

}  // namespace orvane::settings
