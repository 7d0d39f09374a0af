#pragma once
// orvane-add-set: makes a folder of pictures into an image set of the program
// folder. Nothing is written among the pictures: the set's "images.ini" and
// thumbnails go into a set folder made inside the program folder, whose
// entries are links to the pictures. Run again on the same folder, it brings
// the set up to date: names shown and the user's exclusions in the catalogue
// are kept, new pictures added, removed ones dropped. A set an earlier version
// kept among the pictures is brought over, and the files it wrote there go.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "addset/Thumbnail.h"

namespace orvane::addset {

struct AddSetRequest {
  std::string folder;          // the folder of pictures, as given
  std::string name;            // the set's name as given (UTF-8); "" = the folder's own
  std::string programFolder;   // ends in "/"
  std::string settingsFolder;  // ends in "/": its "Orvane.ini" is kept up to date; "" = none
  ThumbnailProgress progress;  // told how the thumbnails come along; may be empty
  std::function<void(const std::string&)> notice;  // UTF-8: a run waiting for another; may be empty
};

enum class AddSetStatus {
  Made,             // a new set
  Updated,          // the set of that folder brought up to date
  NoSuchFolder,     // the folder does not exist or is no folder
  NoPictures,       // no picture that can be read
  NameTaken,        // another set has the name, or the folder is another set already
  NoProgramFolder,  // the program folder is missing
  NotWritten,       // a file or link could not be written
};

struct AddSetReport {
  AddSetStatus status = AddSetStatus::NoSuchFolder;
  std::string message;                // UTF-8: what was done, or what is wrong
  std::vector<std::string> warnings;  // UTF-8: pictures left out, and why
  std::string setName;                // as the catalogue holds it (platform::NameBytes)
  std::string setFolder;              // where "images.ini" is, ends in "/"
  std::string programEntry;           // the set's folder below the program folder
  std::size_t pictures = 0, added = 0, dropped = 0;
  bool ok() const { return status == AddSetStatus::Made || status == AddSetStatus::Updated; }
};

AddSetReport AddSet(const AddSetRequest& request);

// The name of the hidden file in a set folder made inside the program folder
// that names the folder of pictures it stands for.
inline constexpr const char* kSourceFileName = ".orvane-source";

}  // namespace orvane::addset
