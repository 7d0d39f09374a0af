#pragma once
// What the settings dialog may write into the catalogue "Orvane.ini", and
// reads of it by section and key.
#include <string>
#include <utility>
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

// The profile reads of one file, by section and key.
class IniSnapshot {
 public:
  explicit IniSnapshot(std::string file) : file_(std::move(file)) {}

  // The section's key names in file order, each once (first spelling).
  std::vector<std::string> Keys(const std::string& section) const;
  // The value as the profile reader gives it; defaultValue when missing.
  std::string Value(const std::string& section, const std::string& key,
                    const std::string& defaultValue = std::string()) const;

 private:
  std::string file_;
};

}  // namespace orvane::settings
