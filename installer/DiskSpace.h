#pragma once
// Disk-space arithmetic of the installer, in 64-bit bytes throughout.
#include <cstdint>
#include <optional>
#include <string>

namespace orvane::installer {

// The file system that holds a folder: its free bytes for an ordinary user and
// its allocation unit (statvfs: available fragments x fragment size).
struct DiskFigures {
  std::uint64_t freeBytes = 0;
  std::uint64_t clusterBytes = 0;
};
// nullopt when the folder's file system cannot be asked or reports no
// allocation unit.
std::optional<DiskFigures> QueryDisk(const std::string& folder);

// Whole clusters a file of fileBytes occupies (0 for an empty file).
std::uint64_t ClusterCount(std::uint64_t fileBytes, std::uint64_t clusterBytes);

// FormatThousands: the decimal text with "," between groups of three digits.
std::string FormatThousands(std::int64_t n);

}  // namespace orvane::installer
