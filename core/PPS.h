#pragma once
// The three ini wrappers every settings access goes through.
#include <string>

namespace orvane::core {

long GetIniInt(const std::string& section, const std::string& key, int defaultValue,
               const std::string& file);
// An empty key returns every key name of the section, each followed by NUL.
std::string GetIniString(const std::string& section, const std::string& key,
                         const std::string& defaultValue, const std::string& file);
// Trims blanks from value in place, writes it, true when written.
bool WriteIni(const std::string& section, const std::string& key, std::string& value,
              const std::string& file);
// Convenience for values that are not kept by the caller.
bool WriteIni(const std::string& section, const std::string& key, const std::string& value,
              const std::string& file);

}  // namespace orvane::core
