#pragma once
// For test programs whose windows need two monitors: Qt's offscreen platform
// with a primary screen of kScreenA at the origin and a second one, kScreenB,
// to its right. Include it in one file of the program only.
#include <QRect>
#include <cstdio>
#include <string>

namespace orvane::test {

inline const QRect kScreenA(0, 0, 320, 240);
inline const QRect kScreenB(320, 0, 200, 150);

}  // namespace orvane::test

extern "C" const char* orvane_test_platform(const char* root) {
  static std::string platform;
  const std::string file = std::string(root) + "/two-screens.json";
  if (std::FILE* out = std::fopen(file.c_str(), "w")) {
    auto screen = [](const char* name, const QRect& r) {
      return "{\"name\": \"" + std::string(name) + "\", \"x\": " + std::to_string(r.x()) + ", \"y\": " +
             std::to_string(r.y()) + ", \"width\": " + std::to_string(r.width()) + ", \"height\": " +
             std::to_string(r.height()) + ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}";
    };
    const std::string json = "{\"screens\": [" + screen("A", orvane::test::kScreenA) + ", " +
                             screen("B", orvane::test::kScreenB) + "]}";
    std::fputs(json.c_str(), out);
    std::fclose(out);
  }
  platform = "offscreen:configfile=" + file;
  return platform.c_str();
}
