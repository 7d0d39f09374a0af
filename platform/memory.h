#pragma once
// Memory, disk and system figures (GlobalMemoryStatus, GetDiskFreeSpaceA,
// GetVersionExA).
#include <cstdint>
#include <optional>
#include <string>

namespace orvane::platform {

// Bytes. Page file = swap; virtual = physical + swap.
struct MemoryStatus {
  std::uint32_t memoryLoad = 0;  // percent of physical memory in use
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;
  std::uint64_t totalPageFile = 0;
  std::uint64_t availPageFile = 0;
  std::uint64_t totalVirtual = 0;
  std::uint64_t availVirtual = 0;
};
MemoryStatus GlobalMemoryStatus();

// The file system that holds path. clusterBytes is its allocation unit; the
// cluster counts are the byte figures divided by it (freeClusters counts what an
// ordinary user may still write).
struct DiskFreeSpace {
  std::uint64_t totalBytes = 0;
  std::uint64_t freeBytes = 0;       // free for an ordinary user
  std::uint32_t clusterBytes = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint64_t freeClusters = 0;
  std::uint64_t totalClusters = 0;
};
// nullopt when the path's file system cannot be asked (for instance a missing folder).
std::optional<DiskFreeSpace> GetDiskFreeSpace(const std::string& path);

struct OsVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  std::string system;   // "Linux"
  std::string release;  // the kernel release text, "6.1.0-13-amd64"
};
OsVersion GetVersionEx();

}  // namespace orvane::platform
