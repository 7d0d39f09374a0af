#pragma once
// Enters an image set found on disk into the catalogue file from the set's own
// "images.ini".
#include <string>
#include <unordered_set>

#include "core/PPS.h"

namespace orvane::core {

enum class ImportResult {
  Added,         // [SetDescriptions] and the set's image section written
  AlreadyKnown,  // the catalogue names the set already (excluded or not): nothing written
  NoSetName,     // images.ini is missing or declares no set name: nothing written
  BadSetName,    // the name cannot be stored as its own section: nothing written
  NoSection,     // images.ini has no section for the set: nothing written
  NotWritten,    // the catalogue cannot be written: nothing written
};

// settingsFolder & "Orvane.ini" is the catalogue; rootFolder & setFolder the set
// folder holding "images.ini" (looked up without regard to case). setFolder, the
// caller's variable, gets a "\" appended when it ends in no separator ("/" counts
// as one), and is trimmed of blanks when it is written.
//
// The set's name is the first key of images.ini [SetDescriptions]. Unless the
// catalogue's [SetDescriptions] names it already, every "key=value" line of the
// images.ini section "[<name>]" is copied to the catalogue's section of that
// name (up to the next section header; lines without "=" and ";" comments are
// passed over, a key given twice keeps its first value), and then
// [SetDescriptions] <name> = setFolder is written, all in one replace of the
// catalogue, so an import cut short leaves the set unknown and the next one
// starts over.
//
// A set file that starts with a UTF-8 byte-order mark is UTF-8: its names are
// written in the form the catalogue keeps every name in (platform::NameBytes).
ImportResult ImportSetDescriptions(const std::string& settingsFolder, const std::string& rootFolder,
                                   std::string& setFolder);

// The set name an "images.ini" declares (its first key of [SetDescriptions]) as
// the catalogue holds it; "" for none.
std::string DeclaredSetName(const std::string& imagesIni);

// The same for many sets into one catalogue, written in few replaces of the
// file: Add queues a set as ImportSetDescriptions would write it (a set queued
// already counts as known), and the queue is written whenever it holds many
// lines, at the end of a set, and by Commit.
class SetImport {
 public:
  SetImport(const std::string& settingsFolder, const std::string& rootFolder);
  ImportResult Add(std::string& setFolder);
  // Writes what is queued; false when any write of this import failed.
  bool Commit();

 private:
  std::string rootFolder_;
  IniBatch batch_;
  std::unordered_set<std::string> queued_;  // set names, folded
  bool written_ = true;
};

}  // namespace orvane::core
