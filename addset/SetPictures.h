#pragma once
// The pictures of a set folder and the entries of its "images.ini": which files
// are pictures, the names they are shown and stored under, and the file itself.
#include <functional>
#include <string>
#include <vector>

namespace orvane::addset {

// One entry of a set: the name shown (an ini key) and the file name, both in
// the form the catalogue keeps names in (platform::NameBytes: windows-1252
// where that code page holds the name, else UTF-8; a file name that is no
// UTF-8 stays the bytes on disk).
struct SetEntry {
  std::string name;
  std::string file;
};

// True when the file (a regular file, links followed) is taken as a picture:
// its content is of a format the imaging library knows, or its name ends in
// the extension of one (".jpg", ".jpeg", ".bmp", ".png", ".webp", ".heic",
// ".heif", any case).
bool IsPictureFile(const std::string& path, const std::string& name);

// Names on disk (UTF-8 as the file system holds them) of the pictures directly
// in folder: regular files (links followed) that IsPictureFile takes, not
// hidden, in name order. A ".bmp" is a picture's thumbnail, not a picture,
// when its name is a picture file's name with ".bmp" added, or when
// thumbnailNames holds it (the thumbnails of older entries).
std::vector<std::string> ListPictures(const std::string& folder,
                                      const std::vector<std::string>& thumbnailNames);

// The name a picture is shown under: its file name without the extension (in
// the form of SetEntry), made a key that an ini file can hold: "=" becomes "-", control
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

// The name of a picture's link in a set folder of links: the name on disk as
// UTF-8 with control characters as blanks, blanks and leading dots trimmed,
// ".jpg" added when it has no extension, shortened so that its thumbnail's
// name ("<link>.bmp") fits the file system, and " (2)", " (3)" ... before the
// extension while taken(name) says another picture has it.
std::string LinkName(const std::string& diskName, const std::function<bool(const std::string&)>& taken);
// A name the file system cannot hold beside its thumbnail, or that holds bytes
// an ini line cannot (control characters, blanks at its ends): such a picture
// needs a link of another name.
bool NeedsOtherName(const std::string& diskName);
// A name for messages: control characters shown as "\n", "\r", "\xNN".
std::string Printable(const std::string& diskName);

// A set's "images.ini": its set name and its entries in file order (empty when
// the file or the section is missing). Names are in the form of SetEntry
// whichever code the file is in.
struct SetFile {
  std::string setName;
  std::string folderValue;
  std::vector<SetEntry> entries;
};
SetFile ReadSetFile(const std::string& imagesIni);
// The file's bytes: CRLF, the set's section last; windows-1252 when every name
// fits it, else UTF-8 after a byte-order mark.
std::string SetFileText(const SetFile& set);
// True when some name of the set does not fit windows-1252.
bool NeedsUtf8(const SetFile& set);
// Writes it whole through a temporary file and a rename; false when it cannot
// be written.
bool WriteSetFile(const std::string& imagesIni, const SetFile& set);

}  // namespace orvane::addset
