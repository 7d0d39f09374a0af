#pragma once
// Readers of the per-image description files (".nfo") and of "photo.nfo".
//
// A description file sits beside its image and is named after the image as the
// catalogue lists it, with ".nfo" appended unchanged ("sunset" -> "sunset.nfo",
// "sunset.bmp" -> "sunset.bmp.nfo"). It is an ini file read through the ini
// wrappers, plus two forms read line by line: title lines and the version-2
// credits block. No program writes it. A missing file gives every default.
//
// Every text is kept as the file's bytes (its code page); callers convert where
// they draw. Paths may be given with "\" separators (catalogue folders such as
// "Sea\"): every reader here turns them into "/" and looks the file up without
// regard to case before it opens it.
#include <array>
#include <string>
#include <vector>

namespace orvane::core {

// The information-panel languages, [InfoPanel] defaultLanguage 1..8.
inline constexpr std::array<const char*, 8> kLanguageTable = {
    "English", "French", "German", "Spanish", "Japanese", "Chinese", "Korean", "Swedish"};
inline constexpr long kDefaultLanguageIndex = 1;

// Name of language number index (1-based); an index outside 1..8 gives the
// default language, "English".
std::string LanguageName(long index);

// A set file path as it can be opened: "\" becomes "/" and a name that does not
// exist exactly is looked up without regard to case.
std::string OpenableSetPath(const std::string& path);

// The set folder of a catalogue entry path: the text up to and including its
// first "\" (or "/"); empty when there is none.
std::string EntrySetFolder(const std::string& entryPath);

// imageSetRoot & entryPath & ".nfo", the entry as listed (no extension test).
std::string DescriptionFile(const std::string& imageSetRoot, const std::string& entryPath);

// True for the four pan directions, compared exactly (case-sensitive).
bool IsPanoramicDirection(const std::string& direction);
bool IsVerticalPanorama(const std::string& direction);    // TopToBottom, BottomToTop
bool IsHorizontalPanorama(const std::string& direction);  // LeftToRight, RightToLeft

// [LayerSS] of a description file: layerTranslucency is read (integer reader,
// default 0) only when layerImage is not empty; it is the stored value, before
// the level rule (LayerLevel).
struct DescriptionLayer {
  std::string layerImage;
  long layerTranslucency = 0;
};
DescriptionLayer ReadSlideLayer(const std::string& nfoFile);
// [LayerWP], read the same way, for the wallpaper.
DescriptionLayer ReadWallpaperLayer(const std::string& nfoFile);

// What the slide show reads once per slide, in this order.
struct SlideDescription {
  std::string PanDirection;       // [Panoramic] PanDirection, empty default
  int PanoramicOrigin = 0;        // [Panoramic] PanoramicOrigin as text, Val, rounded
  std::string URL;                // [WebLinker] URL
  long RampInTime = 1;            // [sound] soundRampInTime, ms
  long RampOutTime = 1;           // [sound] soundRampOutTime, ms
  std::string Sound;              // [sound] defaultsound, relative to the set folder
  DescriptionLayer Layer;         // [LayerSS]
};
SlideDescription ReadSlideDescription(const std::string& nfoFile);

// What the wallpaper builder reads: the origin by the integer reader (so "12.6"
// is 12, where the slide show rounds it to 13).
struct WallpaperDescription {
  std::string PanDirection;
  long PanoramicOrigin = 0;
  DescriptionLayer Layer;  // [LayerWP]
};
WallpaperDescription ReadWallpaperDescription(const std::string& nfoFile);

// The blend level rule of layer translucencies: above 100 the value is on a
// 0..65535 scale and becomes a percentage (rounded, halves to even; 65535 -> 100,
// 32768 -> 50, 101 -> 0); exactly 100 becomes 99; the result is kept in 0..100.
long LayerLevel(long stored);

// The slide title for a language: the text after the first "=" of the first line
// that contains languageName & "=" (case-sensitive, anywhere in the line, in any
// section). Empty when no line matches or the file cannot be read.
std::string GetTitle(const std::string& fileName, const std::string& languageName);

// True when the file starts with the UTF-8 byte-order mark: its texts are UTF-8
// whatever the language's code page. The line readers here drop the mark.
bool IsUtf8DescriptionFile(const std::string& file);

// [<language>] File: the panel's own text file, relative to the set folder.
std::string ReadPanelFileKey(const std::string& nfoFile, const std::string& languageName);
// The file the information panel reads for an entry: the description file itself
// when [<language>] File is empty, else imageSetRoot & the entry's set folder &
// the key's value. The path is text as listed; open it through OpenableSetPath.
std::string PanelTextFile(const std::string& imageSetRoot, const std::string& entryPath,
                          const std::string& languageName);

// ---- Credits ----
// [info] version, default "1": "1" and "2" name the credits form; anything else
// means no credits text.
std::string ReadCreditsVersion(const std::string& nfoFile);

inline constexpr const char* kNotAvailable = "Not Available";

// Version 1: [<creditsSection>] PictureInfo and ImageNumber, both defaulting to
// "Not Available" (also when the section name is empty).
struct CreditsVersion1 {
  std::string PictureInfo = kNotAvailable;
  std::string ImageNumber = kNotAvailable;
};
CreditsVersion1 ReadCreditsVersion1(const std::string& nfoFile,
                                    const std::string& creditsSection);

// "photo.nfo" of a folder (folder ends in a separator): [Info] PrintOrder
// ("Not Available") and Photo (empty).
struct PhotoCredits {
  std::string PrintOrder = kNotAvailable;
  std::string Photo;
};
PhotoCredits ReadPhotoCredits(const std::string& folder);

// Version 2: the block after the first line containing "[" & section & "]", up to
// the next line containing "[". Each line with "=" is a key (text before the
// first "=") and its value (text after it), in file order. Lines without "=" that
// follow imageTitle, imageCredit (one line each), imageMore (two) or imageInfo
// (any number) continue that value: each such line is appended followed by CR LF.
// A blank line after a continuation line separates it from what follows and is
// not part of the value. Other lines without "=" are ignored.
struct CreditsEntry {
  std::string key;
  std::string value;
};
struct CreditsBlock {
  bool found = false;  // the section header was there
  std::vector<CreditsEntry> entries;
};
CreditsBlock ReadCreditsVersion2(const std::string& nfoFile, const std::string& section);

// ---- Sounds of a set ----
// The distinct [Sound] defaultSound names of every "*.nfo" file in folder (names
// compared in lower case, ASCII letters only), in the order first met walking the
// folder sorted by file name. The names are returned lower-cased, relative to
// folder. A missing folder gives an empty list.
std::vector<std::string> CollectSetSounds(const std::string& folder);

}  // namespace orvane::core
