#pragma once
// The pictures of a set folder and the entries of its "images.ini": which files
// are pictures, the names they are shown and stored under, and the file itself.
#include <string>
#include <vector>

namespace orvane::addset {

// One entry of a set: the name shown (a windows-1252 ini key) and the file name
// as the catalogue stores it (windows-1252 where the name on disk converts
// without loss, else the bytes on disk).
struct SetEntry {
  std::string name;
  std::string file;
};

// Names on disk (UTF-8 as the file system holds them) of the pictures directly
// in folder: regular files (links followed) ending in ".jpg", ".jpeg" or ".bmp"
// in any case, not hidden, in name order. A ".bmp" is a picture's thumbnail,
// not a picture, when its name is a picture file's name with ".bmp" added, or
// when thumbnailNames holds it (the thumbnails of older entries).
std::vector<std::string> ListPictures(const std::string& folder,
                                      const std::vector<std::string>& thumbnailNames);

// The name a picture is shown under: its file name without the extension, in
// windows-1252, made a key that an ini file can hold: "=" becomes "-", control
// characters blanks, blanks trimmed, a leading "[" becomes "(" (and the first
// "]" after it ")"), a leading ";" becomes "-";
// "Picture" when nothing is left.
std::string DisplayName(const std::string& diskName);
// The file name as an entry stores it (see SetEntry).
std::string StoredName(const std::string& diskName);
// The name on disk an entry's file value stands for, with ".jpg" added when
// the value has no extension (as the show opens it).
std::string PictureDiskName(const std::string& storedFile);
// True when the file value names its extension (the show then adds no ".jpg").
bool NamesItsExtension(const std::string& storedFile);
// The thumbnail of an entry, as the settings dialog opens it: the file value
// with ".bmp" added, as a name on disk.
std::string ThumbnailDiskName(const std::string& storedFile);

// True when the two names are one ini key (windows-1252 case folding).
bool SameKey(const std::string& a, const std::string& b);
// True when the two names on disk match without regard to case (decoded).
bool SameDiskName(const std::string& a, const std::string& b);

// A set's "images.ini": its set name and its entries in file order (empty when
// the file or the section is missing).
struct SetFile {
  std::string setName;
  std::string folderValue;
  std::vector<SetEntry> entries;
};
SetFile ReadSetFile(const std::string& imagesIni);
// Writes it whole (CRLF, the set's section last) through a temporary file and a
// rename; false when it cannot be written.
bool WriteSetFile(const std::string& imagesIni, const SetFile& set);

}  // namespace orvane::addset
