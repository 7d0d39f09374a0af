#include "platform/launcher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <string_view>

namespace orvane::platform {

namespace {

std::function<bool(const std::string&)>& Handler() {
  static std::function<bool(const std::string&)> handler;
  return handler;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The unreserved, reserved and percent characters of an address, less those a
// shell acts on; everything else (blanks, controls, quotes, bytes above 127) is
// refused rather than encoded, so what opens is exactly what the file says.
bool AllowedCharacter(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  switch (c) {
    case '"': case '\'': case '`': case '$': case ';': case '|': case '<': case '>':
    case '\\': case '^': case '{': case '}':
      return false;
    default:
      return true;
  }
}

bool Open(const std::string& url) {
  if (Handler()) return Handler()(url);
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

}  // namespace

bool IsWebAddress(const std::string& target) {
  for (unsigned char c : target)
    if (!AllowedCharacter(c)) return false;
  std::string_view rest;
  if (StartsWithNoCase(target, "mailto:")) {
    rest = std::string_view(target).substr(7);
    return !rest.empty() && rest.find('@') != std::string_view::npos;
  }
  if (!StartsWithNoCase(target, "http://") && !StartsWithNoCase(target, "https://")) return false;
  const QUrl url(QString::fromStdString(target), QUrl::StrictMode);
  return url.isValid() && !url.host().isEmpty();
}

bool ShellExecuteOpen(const std::string& target) {
  if (IsWebAddress(target)) return Open(target);
  if (target.empty() || target.front() != '/') return false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(target, ec)) return false;
  return Open(QUrl::fromLocalFile(QString::fromStdString(target)).toString(QUrl::FullyEncoded).toStdString());
}

void SetLaunchHandler(std::function<bool(const std::string& url)> handler) { Handler() = std::move(handler); }

}  // namespace orvane::platform
