// Free disk space.
#include <sys/statvfs.h>

#include <cerrno>

#include "fs_host.h"

namespace win {

using namespace fs_detail;

namespace {

DWORD StatDisk(std::string_view root, struct statvfs& disk) {
  stdfs::path host;
  if (DWORD code = Resolve(root, host)) return code;
  if (statvfs(host.c_str(), &disk) != 0) return ErrorFromErrno(errno, host / ".");
  return ERROR_SUCCESS;
}

void Put(std::uint64_t* out, std::uint64_t value) {
  if (out) *out = value;
}

void Put(DWORD* out, std::uint64_t value) {
  if (out) *out = static_cast<DWORD>(value);
}

}  // namespace

BOOL GetDiskFreeSpaceExA(std::string_view root, std::uint64_t* freeBytesAvailableToCaller,
                         std::uint64_t* totalBytes, std::uint64_t* totalFreeBytes) {
  struct statvfs disk;
  if (DWORD code = StatDisk(root, disk)) return Fail(code);
  const std::uint64_t unit = disk.f_frsize;
  Put(freeBytesAvailableToCaller, disk.f_bavail * unit);
  Put(totalBytes, disk.f_blocks * unit);
  Put(totalFreeBytes, disk.f_bfree * unit);
  return TRUE;
}

BOOL GetDiskFreeSpaceA(std::string_view root, DWORD* sectorsPerCluster, DWORD* bytesPerSector,
                       DWORD* numberOfFreeClusters, DWORD* totalNumberOfClusters) {
  struct statvfs disk;
  if (DWORD code = StatDisk(root, disk)) return Fail(code);
  const std::uint64_t fragment = disk.f_frsize ? disk.f_frsize : 512;
  const std::uint64_t sector = fragment % 512 == 0 ? 512 : fragment;
  const std::uint64_t total = disk.f_blocks * fragment;
  const std::uint64_t available = disk.f_bavail * fragment;
  std::uint64_t cluster = fragment;
  while (total / cluster > 0xFFFFFFFFu) cluster *= 2;
  Put(sectorsPerCluster, cluster / sector);
  Put(bytesPerSector, sector);
  Put(numberOfFreeClusters, available / cluster);
  Put(totalNumberOfClusters, total / cluster);
  return TRUE;
}

}  // namespace win
