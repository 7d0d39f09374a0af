#include "platform/launcher.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <set>
#include <string_view>
#include <vector>

#include "platform/runlog.h"
#include "platform/textcodec.h"

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

bool IsLabel(std::string_view label) {
  if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
  for (char c : label)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-')) return false;
  return true;
}

// Endings of the file names that set files hold: "Help.html" is a file, not a host.
bool IsFileEnding(std::string_view ending) {
  static const char* const kEndings[] = {"htm", "html", "txt", "ini", "nfo", "inf", "jpg", "jpeg", "bmp",
                                         "gif", "png", "wav", "mid", "mp3", "avi", "pdf", "doc", "rtf",
                                         "exe", "scr", "dll", "ilb", "hlp", "chm", "zip"};
  for (const char* known : kEndings)
    if (ending.size() == std::char_traits<char>::length(known) && StartsWithNoCase(ending, known)) return true;
  return false;
}

// "www." and a name, or a dotted name whose last part is a word that is no file
// ending; then an optional ":port".
bool BeginsWithHostName(std::string_view link) {
  std::string_view host = link.substr(0, link.find_first_of("/?#"));
  if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
    const std::string_view port = host.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    host = host.substr(0, colon);
  }
  std::vector<std::string_view> labels;
  for (std::size_t start = 0;;) {
    const std::size_t dot = host.find('.', start);
    labels.push_back(host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  if (labels.size() < 2) return false;
  for (std::string_view label : labels)
    if (!IsLabel(label)) return false;
  if (StartsWithNoCase(host, "www.")) return true;
  const std::string_view last = labels.back();
  if (last.size() < 2 || IsFileEnding(last)) return false;
  for (char c : last)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
  return true;
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

std::string WebLinkAddress(const std::string& link) {
  if (IsWebAddress(link)) return link;
  if (link.find("://") != std::string::npos || !BeginsWithHostName(link)) return {};
  const std::string address = "http://" + link;
  return IsWebAddress(address) ? address : std::string();
}

bool OpenWebLink(const std::string& link) {
  if (link.empty()) return false;
  const std::string address = WebLinkAddress(link);
  if (!address.empty()) return Open(address);
  static std::set<std::string> said;
  if (said.insert(link).second) {
    const std::string shown = IsValidUtf8(link) ? link : ToQString(link).toStdString();
    WriteRunLog("the link \"" + shown + "\" is not a web address; it was not opened");
  }
  return false;
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
