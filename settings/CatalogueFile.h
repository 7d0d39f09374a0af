#pragma once
// Reading and writing the catalogue "Orvane.ini" for the settings dialog.
//
// IniSnapshot reads a file once and answers the profile reads from memory, so
// a catalogue of thousands of images is read in one pass rather than one file
// read per value. WriteIniEdits applies many edits to one file as one write:
// the file is either fully updated or left as it was.
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvane::settings {

// A set name can be a section of its own in the catalogue: no "]" or control
// bytes, no leading ";" or "[" or blank, no "=", not empty, and not one of the
// catalogue's own sections. Anything else could spill its lines into another
// section or key.
bool StorableSetName(const std::string& name);
// A key (image name) can be written as one "key=value" line that reads back as
// that key.
bool StorableKey(const std::string& key);
// A value can be written on one line.
bool StorableValue(const std::string& value);

class IniSnapshot {
 public:
  // Reads file now (a missing file reads as empty).
  explicit IniSnapshot(const std::string& file);

  // The section's key names in file order, each once (first spelling).
  std::vector<std::string> Keys(const std::string& section) const;
  // The value as the profile reader gives it; defaultValue when missing.
  std::string Value(const std::string& section, const std::string& key,
                    const std::string& defaultValue = std::string()) const;

 private:
  struct Section {
    std::vector<std::string> keys;                        // first spelling, file order
    std::unordered_map<std::string, std::string> values;  // folded key -> value
  };
  std::unordered_map<std::string, Section> sections_;  // folded name
};

struct IniEdit {
  std::string section;
  std::optional<std::string> key;    // nullopt: delete the section
  std::optional<std::string> value;  // nullopt: delete the key
};

// Applies the edits in order as one write of file. False when the file could
// not be written; then nothing of it was.
bool WriteIniEdits(const std::string& file, const std::vector<IniEdit>& edits);

}  // namespace orvane::settings
