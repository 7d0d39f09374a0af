#pragma once
// Helpers shared by all test programs. The test main gives each process a fresh
// temporary root, and each test a fresh folder below it with its own HOME and
// XDG folders.
#include <chrono>
#include <filesystem>
#include <functional>
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

// Polls condition every step until it holds or timeout has passed; true when
// it held. A costly condition (a screenshot, a helper process) takes a longer
// step. Qt's events do not run meanwhile, so a QProcess keeps its state for a
// waitForFinished after it.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(30),
             std::chrono::milliseconds step = std::chrono::milliseconds(20));
// The same, running the test's own Qt events between polls (an in-process D-Bus
// stand-in, QProcess signals).
bool WaitWithEvents(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace orvane::test
