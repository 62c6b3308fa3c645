// _stat64 over POSIX stat. The system header names the times through macros
// (st_mtime is st_mtim.tv_sec) that would rename the fields of the Windows
// record, so the query happens before that record's header is seen.
#include <sys/stat.h>

namespace {

bool QueryStatus(const char* path, struct stat& status) { return path && stat(path, &status) == 0; }

}  // namespace

#undef st_atime
#undef st_mtime
#undef st_ctime

#include <stat64.h>

extern "C" int _stat64(const char* path, struct _stat64* buffer) {
  struct stat status;
  if (!buffer || !QueryStatus(path, status)) return -1;
  buffer->st_dev = static_cast<unsigned int>(status.st_dev);
  buffer->st_ino = static_cast<unsigned short>(status.st_ino);
  buffer->st_mode = static_cast<unsigned short>(status.st_mode);
  buffer->st_nlink = static_cast<short>(status.st_nlink);
  buffer->st_uid = static_cast<short>(status.st_uid);
  buffer->st_gid = static_cast<short>(status.st_gid);
  buffer->st_rdev = static_cast<unsigned int>(status.st_rdev);
  buffer->st_size = static_cast<long long>(status.st_size);
  buffer->st_atime = static_cast<long long>(status.st_atim.tv_sec);
  buffer->st_mtime = static_cast<long long>(status.st_mtim.tv_sec);
  buffer->st_ctime = static_cast<long long>(status.st_ctim.tv_sec);
  return 0;
}
