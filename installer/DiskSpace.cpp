#include "installer/DiskSpace.h"

#include <sys/statvfs.h>

namespace orvane::installer {

std::optional<DiskFigures> QueryDisk(const std::string& folder) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0 || info.f_frsize == 0) return std::nullopt;
  return DiskFigures{static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize, info.f_frsize};
}

std::uint64_t ClusterCount(std::uint64_t fileBytes, std::uint64_t clusterBytes) {
  if (clusterBytes == 0) return 0;
  return fileBytes / clusterBytes + (fileBytes % clusterBytes != 0 ? 1 : 0);
}

std::string FormatThousands(std::int64_t n) {
  const bool negative = n < 0;
  // Digits of the magnitude; the most negative value has no positive twin.
  std::string digits = std::to_string(n);
  if (negative) digits.erase(0, 1);
  std::string result;
  while (digits.size() > 3) {
    result = "," + digits.substr(digits.size() - 3) + result;
    digits.erase(digits.size() - 3);
  }
  return (negative ? "-" : "") + digits + result;
}

}  // namespace orvane::installer
