#pragma once
// Where orvane-add-set puts the set of a folder: found again from an earlier run,
// or a new place in the program folder, with the set's name and the checks that
// no other set has it.
#include <filesystem>
#include <optional>
#include <string>

#include "addset/AddSet.h"
#include "addset/SetPictures.h"

namespace orvane::addset {

struct SetPlace {
  enum Kind {
    New,      // not in the program folder yet
    Linked,   // a link in the program folder leads to the folder (an earlier version's set)
    Inside,   // the folder is below the program folder itself
    OfLinks,  // a set folder of links to its pictures stands for it
  } kind = New;
  std::string entry;      // the set's folder below the program folder, without "/"
  std::string setFolder;  // where "images.ini" and the thumbnails are when done, ends in "/"
  bool writable = false;  // the folder of pictures can be written
  bool brokenLink = false;  // entry is a link that leads nowhere, to be replaced
  std::string staleSource;  // an OfLinks folder taken over from a folder that is gone
  SetFile old;            // the set as an earlier run or its author left it
  // The folder of pictures holds the "images.ini" that old was read from (an
  // earlier version wrote the set's files there): removed once the set is in
  // the program folder.
  bool oldFilesInSource = false;
  std::string setName;    // as the catalogue holds it (platform::NameBytes)
  std::string givenName;  // UTF-8: the name asked for, else the folder's own
  bool renamed = false;   // setName is givenName made one the catalogue can hold
  // The set's files go into a set folder of links in the program folder: every
  // set but one whose folder is below the program folder already.
  bool Copied() const { return kind != Inside; }
};

struct PlaceResult {
  std::optional<SetPlace> place;  // nullopt: status and message say why not
  AddSetStatus status = AddSetStatus::NameTaken;
  std::string message;
};

// source and program are canonical; name is as given (UTF-8, "" for none). The
// catalogue is settingsFolder & "Orvane.ini" ("" for none). Nothing is changed.
PlaceResult PlaceSet(const std::filesystem::path& source, const std::filesystem::path& program,
                     const std::string& name, const std::string& settingsFolder);

std::string WithSlash(std::string path);
std::string Quoted(const std::string& utf8);
// A name (platform::NameBytes) as UTF-8, for messages.
std::string Shown(const std::string& ansi);

}  // namespace orvane::addset
