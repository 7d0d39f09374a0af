#pragma once
// The three ini wrappers every settings access goes through.
#include <string>
#include <vector>

#include "platform/profile.h"

namespace orvane::core {

long GetIniInt(const std::string& section, const std::string& key, int defaultValue,
               const std::string& file);
// The value read whole, whatever its length; the default when missing. An empty
// key returns every key name of the section, each followed by NUL ("" for a
// section without keys).
std::string GetIniString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& file);
// Trims spaces from both ends of value in place and writes it (an empty value
// writes the key with nothing after "="; nothing is deleted). True when written.
bool WriteIni(const std::string& section, const std::string& key, std::string& value,
              const std::string& file);
// Convenience for values that are not kept by the caller.
bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

// Many keys of one settings file written as one change: the file is locked,
// read and replaced once however many keys the batch holds (see
// platform::WritePrivateProfileBatch). Queue the edits, then Commit:
//   IniBatch batch(catalogue);
//   for (...) batch.Write(section, key, value);
//   if (!batch.Commit()) ...
// Write trims the value of spaces as WriteIni does. Commit stores every edit or
// none (false then: the file cannot be written or an edit cannot be stored as
// one line) and empties the batch either way.
class IniBatch {
 public:
  explicit IniBatch(std::string file) : file_(std::move(file)) {}
  void Write(const std::string& section, const std::string& key, std::string value);
  void DeleteKey(const std::string& section, const std::string& key);
  void DeleteSection(const std::string& section);
  bool Commit();
  size_t size() const { return edits_.size(); }
  const std::string& file() const { return file_; }

 private:
  std::string file_;
  std::vector<platform::ProfileEdit> edits_;
};

}  // namespace orvane::core
