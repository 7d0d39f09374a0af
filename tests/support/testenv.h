#pragma once
// Helpers shared by all test programs. The test main gives each process a fresh
// temporary root, and each test a fresh folder below it with its own HOME and
// XDG folders.
#include <filesystem>
#include <string>

namespace orvane::test {

// The current test's temporary folder (HOME lives below it).
const std::filesystem::path& TempRoot();

// A fresh, empty folder below the temporary root.
std::filesystem::path MakeTempDir(const std::string& name);

void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// ../shared/testdata, or an empty path when it is not there (callers GTEST_SKIP).
std::filesystem::path SharedTestData();

// Path of the built `orvane` program.
std::filesystem::path OrvaneExe();

}  // namespace orvane::test
