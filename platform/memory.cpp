#include "platform/memory.h"

#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orvane::platform {

namespace {

// MemAvailable from /proc/meminfo (kB), which counts reclaimable caches.
std::optional<std::uint64_t> MemAvailable() {
  std::ifstream in("/proc/meminfo");
  std::string name;
  std::uint64_t kb = 0;
  std::string unit;
  while (in >> name >> kb) {
    std::getline(in, unit);
    if (name == "MemAvailable:") return kb * 1024;
  }
  return std::nullopt;
}

}  // namespace

MemoryStatus GlobalMemoryStatus() {
  MemoryStatus status;
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return status;
  const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
  status.totalPhys = std::uint64_t{info.totalram} * unit;
  status.availPhys = MemAvailable().value_or((std::uint64_t{info.freeram} + info.bufferram) * unit);
  if (status.availPhys > status.totalPhys) status.availPhys = status.totalPhys;
  status.totalPageFile = std::uint64_t{info.totalswap} * unit;
  status.availPageFile = std::uint64_t{info.freeswap} * unit;
  status.totalVirtual = status.totalPhys + status.totalPageFile;
  status.availVirtual = status.availPhys + status.availPageFile;
  if (status.totalPhys > 0)
    status.memoryLoad = static_cast<std::uint32_t>((status.totalPhys - status.availPhys) * 100 / status.totalPhys);
  return status;
}

std::optional<DiskFreeSpace> GetDiskFreeSpace(const std::string& path) {
  std::error_code ec;
  const auto space = std::filesystem::space(path, ec);
  if (ec) return std::nullopt;
  DiskFreeSpace result;
  result.totalBytes = space.capacity;
  result.freeBytes = space.available;
  struct statvfs vfs {};
  std::uint64_t cluster = 4096;
  if (statvfs(path.c_str(), &vfs) == 0 && vfs.f_bsize > 0) cluster = vfs.f_bsize;
  result.clusterBytes = static_cast<std::uint32_t>(cluster);
  result.bytesPerSector = cluster % 512 == 0 ? 512 : static_cast<std::uint32_t>(cluster);
  result.sectorsPerCluster = result.clusterBytes / result.bytesPerSector;
  result.freeClusters = result.freeBytes / cluster;
  result.totalClusters = result.totalBytes / cluster;
  return result;
}

OsVersion GetVersionEx() {
  OsVersion version;
  struct utsname name {};
  if (uname(&name) != 0) return version;
  version.system = name.sysname;
  version.release = name.release;
  std::sscanf(name.release, "%d.%d.%d", &version.major, &version.minor, &version.build);
  return version;
}

}  // namespace orvane::platform
