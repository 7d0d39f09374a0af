#include "platform/urlopener.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace orvane::platform {

namespace {

class DesktopOpener : public UrlOpener {
 public:
  bool Open(const std::string& url) override {
    const QString text = QString::fromUtf8(url);
    const QUrl target = text.startsWith('/') ? QUrl::fromLocalFile(text)
                                             : QUrl(text, QUrl::StrictMode);
    return QDesktopServices::openUrl(target);
  }
};

UrlOpener* g_opener = nullptr;

UrlOpener& Current() {
  static DesktopOpener desktop;
  return g_opener ? *g_opener : desktop;
}

}  // namespace

bool IsOpenableAddress(const std::string& url) {
  if (url.empty() || url.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  if (url.front() == '/') return true;
  const QUrl parsed(QString::fromUtf8(url), QUrl::StrictMode);
  if (!parsed.isValid()) return false;
  const QString scheme = parsed.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    return !parsed.host().isEmpty();
  }
  if (scheme == QLatin1String("mailto")) return !parsed.path().isEmpty();
  if (scheme == QLatin1String("file")) return parsed.isLocalFile() && parsed.path().startsWith('/');
  return false;
}

bool ShellOpen(const std::string& url) {
  if (!IsOpenableAddress(url)) return false;
  return Current().Open(url);
}

void SetUrlOpener(UrlOpener* opener) { g_opener = opener; }

}  // namespace orvane::platform
