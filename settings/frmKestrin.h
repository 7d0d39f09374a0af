#pragma once
// The settings dialog: four pages ("Screen Saver", "Wallpaper", "Edit Sets",
// "About"), OK / Cancel / Apply with one dirty flag per page, the catalogue of
// image sets it owns while it is open, and the "Edit Sets" page with its set and
// image lists.
//
// The form's working state and controls are public, as the page classes
// (ScreenSaverPage, WallpaperPage, AboutPage) read and write them: they build
// their own controls inside their page widget and call SetApply() from every
// change handler.
#include <QDialog>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/SetsClass.h"
#include "core/clsImageList.h"
#include "core/windows.h"
#include "platform/vbcontrols.h"
#include "platform/vbtimer.h"
#include "settings/WriteFailure.h"

namespace orvane::settings {

class ScreenSaverPage;
class WallpaperPage;
class AboutPage;

inline constexpr const char* kRandomizeAllSets = "Randomize From All Image Sets";

class frmKestrin : public QDialog, public core::SettingsDialogWindow {
  Q_OBJECT

 public:
  enum Page { kPageScreenSaver = 0, kPageWallpaper = 1, kPageEditSets = 2, kPageAbout = 3 };
  static constexpr int kPageCount = 4;

  // pleaseWait is the progress window shown while the wallpaper renders
  // (nullptr: none).
  explicit frmKestrin(core::ProgressWindow* pleaseWait = nullptr, QWidget* parent = nullptr);
  ~frmKestrin() override;

  // ---- SettingsDialogWindow (the start procedure's view of the dialog) ----
  void Load() override;
  void Unload() override;
  void Show() override;
  void SetConfigMode(bool configMode) override { ConfigMode = configMode; }
  void StartingTab(int page) override;
  bool optWallPaperOn() override;
  void ResetWPImage(bool reset) override { WPImageReset = reset; }
  void NextWallpaperImage() override;
  void SetWallpaper() override;

  bool Loaded() const { return loaded_; }
  // True while the wallpaper renders behind the progress window: the dialog
  // takes no input and does not close.
  bool Rendering() const { return rendering_; }

  // Ends the program after OK and Cancel, and when no image set is found. The
  // program ends the process; tests record the call instead.
  std::function<void()> EndProgram;

  // ---- Frame ----
  // Marks the page on show dirty and enables Apply; does nothing while the
  // dialog is hidden or InternalChange is set.
  void SetApply();
  // Marks page dirty as SetApply marks the page shown (nothing while hidden or
  // during an internal change); Apply follows the page shown.
  void MarkPageDirty(int page);
  // Tells running programs that the desktop settings changed.
  void UpdateWinIni();
  // Applies one page. False when it could not be saved: the user has been
  // told, and the page stays dirty.
  bool ApplyPage(int page);
  void cmdOk_Click();
  void cmdCancel_Click();
  void cmdApply_Click();
  void SSTabPages_Click();
  void SSTabEditSets_Click();

  // ---- Catalogue ----
  void InitSetsInfo();
  void BuildSetCollection(const std::string& keyList);
  void InitImageInfo(core::SetInfoClass& set);
  std::shared_ptr<core::SetInfoClass> LocateSet(const std::string& setName) const;
  void IncludeSets(platform::VbListBox& list);
  void ExcludeSets(platform::VbListBox& list);
  void IncludeImages(const std::string& setName, platform::VbListBox& list);
  void ExcludeImages(const std::string& setName, platform::VbListBox& list);
  void DeselectList(platform::VbListBox& list);
  static void MoveAll(platform::VbListBox& src, platform::VbListBox& dst);
  static void MoveSelected(platform::VbListBox& src, platform::VbListBox& dst);
  // Writes the catalogue (as one replace of the file) and the title-page
  // switches: page 2's apply. False when the catalogue (then nothing of it) or
  // a set's title-page switch could not be written; each failure is added to
  // failures when given.
  bool SaveSetsInfo(WriteFailures* failures = nullptr);
  // Takes a set's entry and its image section out of the catalogue file.
  bool RemoveCatalogSet(const std::string& setName);
  void cmdImageMove_Click();
  void cmdMoveSet_Click();
  void chkShowTitlePage_Click();

  // ---- Lists ----
  // Clear, then the sets' names in collection order (any list or combo box).
  template <typename List>
  static void FillList(List& list, const core::SetsClass::SetList& sets) {
    list.Clear();
    for (const auto& set : sets) list.AddItem(set->SetName());
  }
  template <typename List>
  static int FindItemIndex(const List& list, const std::string& text) {
    for (int i = 0; i < list.ListCount(); ++i)
      if (list.List(i) == text) return i;
    return -1;
  }
  void InitLists();
  // Refills the lists after an include or exclude; another page whose chosen
  // set changes with it is marked changed.
  void UpdateLists();
  // The catalogue's spelling of a set name stored in a settings file (names
  // compare without regard to case); the name itself when no set has it.
  std::string ListedSetName(const std::string& stored) const;
  void GetImageList(const std::string& setName);
  void cmboSets_Click();
  void cmboEditSet_Click();
  void lstImages_Click();
  void lstActiveImages_Click();
  void lstInactiveImages_Click();
  void lstActiveSets_Click();
  void lstInactiveSets_Click();
  void tmrThumbnailChanger_Timer();
  void tmrEditSetsThumbnailChanger_Timer();
  // The included / excluded counts in the captions above the four lists.
  void UpdateListCaptions();

  // ---- Form state ----
  bool ConfigMode = false;
  std::array<bool, kPageCount> PageDirty{};
  bool InternalChange = false;
  bool WPImageReset = false;
  bool FirstRun = false;
  std::string WinDir;
  std::string SaverName = "Orvane";
  std::array<int, 13> DelayTable{};
  std::array<int, 4> CalendarSizeTable{};
  int PreviewWidth = 1024;
  int PreviewHeight = 768;
  std::string SettingsFolder;
  platform::VbPictureBox* ThumbnailTarget = nullptr;

  // Catalogue state.
  std::string ImageSetRoot;   // the program folder, ending in "/"
  std::string CatalogueFile;  // SettingsFolder & "Orvane.ini"
  std::string SettingsFile;   // SettingsFolder & "ScreenSaver.ini"
  core::SetsClass Sets;
  bool DeselectActive = false;

  // Lists and previews.
  struct Point {
    float X = 0;
    float Y = 0;
  };
  std::array<Point, 4> DragStart{};  // lstActiveImages, lstActiveSets, lstInactiveImages, lstInactiveSets
  bool WallpaperAllSets = false;
  bool PreviewAllSets = false;
  core::clsImageList PreviewImages;
  std::string PreviewSetFolder;
  std::shared_ptr<core::SetInfoClass> EditPreviewSet;
  std::string WPImagePath;  // without extension
  std::string WPImageName;
  std::string WPSetFolder;

  // ---- Controls of the frame ----
  platform::VbTabControl* SSTabPages = nullptr;
  platform::VbCommandButton* cmdOk = nullptr;
  platform::VbCommandButton* cmdCancel = nullptr;
  platform::VbCommandButton* cmdApply = nullptr;

  // Set lists that the catalogue fills on other pages: the frame makes them
  // inside the pages' "Basic Settings" tabs (cmboAboutSets inside page 3), the
  // pages place them and lay out the rest.
  platform::VbComboBox* cmboSS_SetsToUse = nullptr;  // page 0
  platform::VbComboBox* cmboSets = nullptr;          // page 1
  platform::VbListBox* lstImages = nullptr;          // page 1
  platform::VbComboBox* cmboAboutSets = nullptr;     // page 3

  // Controls of other pages that the list code touches; the pages set them
  // when they build their controls (left null, they are passed over).
  platform::VbFrame* framWPSound = nullptr;
  platform::VbOptionButton* optSndOnWP = nullptr;
  platform::VbOptionButton* optSndOffWP = nullptr;
  platform::VbLabel* lblWPNoSound = nullptr;
  platform::VbPictureBox* picThumbNail = nullptr;      // page 1
  platform::VbPictureBox* picSSThumbNail = nullptr;    // page 0
  platform::VbPictureBox* picAboutThumbnail = nullptr; // page 3

  // Inner tab controls of pages 0 and 1, made here with their tabs; the pages
  // fill the tabs' widgets (the page widgets lay them out with a QVBoxLayout
  // that the pages may add to).
  platform::VbTabControl* SSTabScreenSaver = nullptr;  // "Basic Settings", "Calendar", "Sound", "Veloscan", "Skiplink"
  platform::VbTabControl* SSTabWallPaper = nullptr;    // "Basic Settings", "Calendar", "Sound"

  // Edit Sets page.
  platform::VbTabControl* SSTabEditSets = nullptr;
  platform::VbComboBox* cmboEditSet = nullptr;
  platform::VbListBox* lstActiveImages = nullptr;
  platform::VbListBox* lstInactiveImages = nullptr;
  platform::VbListBox* lstActiveSets = nullptr;
  platform::VbListBox* lstInactiveSets = nullptr;
  platform::VbCheckBox* chkShowTitlePage = nullptr;
  platform::VbCommandButton* cmdImageMove = nullptr;
  platform::VbCommandButton* cmdMoveSet = nullptr;
  platform::VbPictureBox* picImageEditThumbNail = nullptr;
  platform::VbPictureBox* picEditSetsThumbnail = nullptr;
  platform::VbLabel* Label10 = nullptr;  // "Image set:"
  platform::VbFrame* Label11 = nullptr;  // included images (count)
  platform::VbFrame* Label12 = nullptr;  // excluded images (count)
  platform::VbFrame* Label13 = nullptr;  // included sets (count)
  platform::VbFrame* Label14 = nullptr;  // excluded sets (count)

  platform::VbTimer tmrThumbnailChanger;
  platform::VbTimer tmrEditSetsThumbnailChanger;

  // Thumbnail work, plugged in by the thumbnail code: the two timers' ticks
  // and the picture part of the image lists' Click handlers. Unset, nothing is
  // drawn.
  std::function<void()> ThumbnailTick;
  std::function<void()> EditSetsThumbnailTick;
  std::function<void(platform::VbListBox& list)> ImageListThumbnail;  // lstActiveImages / lstInactiveImages
  std::function<void()> WallpaperThumbnail;                           // lstImages

  // Pages.
  std::unique_ptr<ScreenSaverPage> screenSaverPage;
  std::unique_ptr<WallpaperPage> wallpaperPage;
  std::unique_ptr<AboutPage> aboutPage;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;  // Esc

 private:
  void BuildFrame();
  void BuildEditSetsPage(QWidget* page);
  void SetTabOrder();
  bool SaverThumbnails() const;
  void Form_Load();
  void InitDialog();
  // False when the dialog must stay (a render runs).
  bool Form_Unload();
  // Disables a move button whose list (by its mode) has no entry chosen.
  static void DisableMoveButtonWithoutChoice(platform::VbCommandButton& button, const platform::VbListBox& included,
                                             const platform::VbListBox& excluded);
  void ListClick(platform::VbListBox& list, platform::VbListBox& partner, platform::VbCommandButton& button,
                 const char* one, const char* many, const char* mode, bool setList);
  void WireDrag(platform::VbListBox& list, int slot);
  void ListMouseMove(platform::VbListBox& list, int slot, int button, float x, float y);
  void ListDragDrop(platform::VbListBox& target, QWidget* source);

  void Trace(const char* what, std::uint32_t first, std::uint32_t second);

  core::ProgressWindow* pleaseWait_;
  std::FILE* trace_ = nullptr;  // ORVANE_TRACE: when the dialog was shown, how long saves took
  bool refreshingTitleBox_ = false;  // cmboEditSet_Click sets chkShowTitlePage
  WriteFailures loadFailures_;  // writes of the load that failed, told when the dialog shows
  bool loaded_ = false;
  bool rendering_ = false;
  bool ending_ = false;
};

}  // namespace orvane::settings
