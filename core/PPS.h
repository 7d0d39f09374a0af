#pragma once
// The three ini wrappers every settings access goes through.
#include <string>

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

}  // namespace orvane::core
