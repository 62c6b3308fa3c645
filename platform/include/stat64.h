// The C runtime's 64-bit file status under its Windows name (declared by
// <sys/stat.h> there), with the published field order.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

struct _stat64 {
  unsigned int st_dev;
  unsigned short st_ino;
  unsigned short st_mode;
  short st_nlink;
  short st_uid;
  short st_gid;
  unsigned int st_rdev;
  long long st_size;   // __int64
  long long st_atime;  // __time64_t: seconds since 1970
  long long st_mtime;
  long long st_ctime;
};

// 0 and the status of path, or -1 when it cannot be queried.
int _stat64(const char* path, struct _stat64* buffer);

#ifdef __cplusplus
}
#endif
