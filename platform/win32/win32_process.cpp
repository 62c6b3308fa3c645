// Child processes, anonymous pipes and temporary files of the Win32 subset
// over POSIX (posix_spawn, pipe2, waitpid).
//
// A HANDLE here points at a Win32Handle. Pipe ends are file descriptors; a
// handle that is not inheritable carries FD_CLOEXEC, so a child started with
// posix_spawn sees exactly the inheritable ones. A process and its main
// thread share one record of the child, reaped once by whichever is waited on.
#include <windows.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "testing/testing_faults.h"

extern char** environ;

namespace {

struct ChildProcess {
  pid_t pid = 0;
  bool reaped = false;
  DWORD exitCode = STILL_ACTIVE;
};

struct Win32Handle {
  enum Kind { kPipe, kProcess, kThread } kind;
  int fd = -1;
  std::shared_ptr<ChildProcess> child;
};

Win32Handle* ToHandle(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return nullptr;
  return static_cast<Win32Handle*>(handle);
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOMEM: return ERROR_OUTOFMEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_FUNCTION;
  }
}

// Signals have no Win32 counterpart; a killed child reports 128 + signal, as
// a POSIX shell does.
DWORD ExitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<DWORD>(WTERMSIG(status));
  return STILL_ACTIVE;
}

// Collects the child's status; blocking waits until it ends.
bool Reap(ChildProcess& child, bool blocking) {
  if (child.reaped) return true;
  int status = 0;
  pid_t result;
  do {
    result = waitpid(child.pid, &status, blocking ? 0 : WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result != child.pid) return false;
  child.reaped = true;
  child.exitCode = ExitCodeOf(status);
  return true;
}

// The C runtime's rule: blanks separate words, double quotes group, 2n
// backslashes before a quote give n backslashes and a quote that groups,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal.
std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> words;
  const char* p = line;
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    std::string word;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      if (*p == '\\') {
        size_t slashes = 0;
        while (*p == '\\') ++slashes, ++p;
        if (*p == '"') {
          word.append(slashes / 2, '\\');
          if (slashes % 2) {
            word += '"';
            ++p;
          }
        } else {
          word.append(slashes, '\\');
        }
      } else if (*p == '"') {
        quoted = !quoted;
        ++p;
      } else {
        word += *p++;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

int FdOf(HANDLE handle) {
  Win32Handle* h = ToHandle(handle);
  return h && h->kind == Win32Handle::kPipe ? h->fd : -1;
}

// Points a standard stream of the child at a handle, or at /dev/null.
void RedirectStream(posix_spawn_file_actions_t* actions, HANDLE handle, int target, int openFlags) {
  int fd = FdOf(handle);
  if (fd >= 0)
    posix_spawn_file_actions_adddup2(actions, fd, target);
  else
    posix_spawn_file_actions_addopen(actions, target, "/dev/null", openFlags, 0);
}

}  // namespace

extern "C" {

BOOL WINAPI CreatePipe(PHANDLE hReadPipe, PHANDLE hWritePipe, LPSECURITY_ATTRIBUTES lpPipeAttributes, DWORD) {
  static FaultSite s_site("CreatePipe");
  if (!hReadPipe || !hWritePipe) return Fail(ERROR_INVALID_PARAMETER);
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return Fail(HRESULT_CODE(hr));
  int fds[2];
  bool inherit = lpPipeAttributes && lpPipeAttributes->bInheritHandle;
  if (pipe2(fds, inherit ? 0 : O_CLOEXEC) != 0) return Fail(ErrorFromErrno(errno));
  *hReadPipe = new Win32Handle{Win32Handle::kPipe, fds[0], nullptr};
  *hWritePipe = new Win32Handle{Win32Handle::kPipe, fds[1], nullptr};
  return TRUE;
}

BOOL WINAPI SetHandleInformation(HANDLE hObject, DWORD dwMask, DWORD dwFlags) {
  Win32Handle* h = ToHandle(hObject);
  if (!h) return Fail(ERROR_INVALID_HANDLE);
  if (!(dwMask & HANDLE_FLAG_INHERIT) || h->kind != Win32Handle::kPipe) return TRUE;
  int flags = fcntl(h->fd, F_GETFD);
  if (flags < 0) return Fail(ERROR_INVALID_HANDLE);
  flags = (dwFlags & HANDLE_FLAG_INHERIT) ? (flags & ~FD_CLOEXEC) : (flags | FD_CLOEXEC);
  return fcntl(h->fd, F_SETFD, flags) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  int fd = FdOf(hFile);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_INVALID_PARAMETER);
  ssize_t count;
  do {
    count = read(fd, lpBuffer, nNumberOfBytesToRead);
  } while (count < 0 && errno == EINTR);
  if (count < 0) return Fail(ErrorFromErrno(errno));
  // Every writer gone: an anonymous pipe reports it as a broken pipe.
  if (count == 0 && nNumberOfBytesToRead) return Fail(ERROR_BROKEN_PIPE);
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(count);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  Win32Handle* h = ToHandle(hObject);
  if (!h) return Fail(ERROR_INVALID_HANDLE);
  if (h->fd >= 0) close(h->fd);
  // A finished child that nobody waited for is collected here, so that it
  // does not stay behind as a zombie; a running one goes on running.
  if (h->child && h->child.use_count() == 1) Reap(*h->child, false);
  delete h;
  return TRUE;
}

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL bInheritHandles, DWORD, LPVOID lpEnvironment,
                           LPCSTR lpCurrentDirectory, LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  static FaultSite s_site("CreateProcessA");
  if (!lpStartupInfo || !lpProcessInformation || (!lpApplicationName && !lpCommandLine))
    return Fail(ERROR_INVALID_PARAMETER);
  HRESULT hr = s_site.Hit();
  if (FAILED(hr)) return Fail(HRESULT_CODE(hr));

  std::vector<std::string> words = SplitCommandLine(lpCommandLine ? lpCommandLine : lpApplicationName);
  std::string program = lpApplicationName ? lpApplicationName : (words.empty() ? "" : words[0]);
  if (program.empty()) return Fail(ERROR_FILE_NOT_FOUND);
  if (words.empty()) words.push_back(program);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (lpStartupInfo->dwFlags & STARTF_USESTDHANDLES) {
    // Without inheritance the child may not receive the handles at all.
    HANDLE none = nullptr;
    RedirectStream(&actions, bInheritHandles ? lpStartupInfo->hStdInput : none, 0, O_RDONLY);
    RedirectStream(&actions, bInheritHandles ? lpStartupInfo->hStdOutput : none, 1, O_WRONLY);
    RedirectStream(&actions, bInheritHandles ? lpStartupInfo->hStdError : none, 2, O_WRONLY);
  }
  if (lpCurrentDirectory && *lpCurrentDirectory) posix_spawn_file_actions_addchdir_np(&actions, lpCurrentDirectory);

  // A Win32 environment block is a run of "name=value\0" ended by an empty string.
  std::vector<char*> environment;
  if (lpEnvironment) {
    for (char* entry = static_cast<char*>(lpEnvironment); *entry; entry += std::strlen(entry) + 1)
      environment.push_back(entry);
    environment.push_back(nullptr);
  }

  pid_t pid = 0;
  const bool searchPath = program.find('/') == std::string::npos;
  int error = (searchPath ? posix_spawnp : posix_spawn)(&pid, program.c_str(), &actions, nullptr, argv.data(),
                                                        lpEnvironment ? environment.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return Fail(ErrorFromErrno(error));

  auto child = std::make_shared<ChildProcess>();
  child->pid = pid;
  lpProcessInformation->hProcess = new Win32Handle{Win32Handle::kProcess, -1, child};
  lpProcessInformation->hThread = new Win32Handle{Win32Handle::kThread, -1, child};
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  Win32Handle* h = ToHandle(hHandle);
  if (!h || !h->child) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (dwMilliseconds == INFINITE) return Reap(*h->child, true) ? WAIT_OBJECT_0 : WAIT_FAILED;
  timespec step{0, 1000000};
  for (DWORD waited = 0;; ++waited) {
    if (Reap(*h->child, false)) return WAIT_OBJECT_0;
    if (waited >= dwMilliseconds) return WAIT_TIMEOUT;
    nanosleep(&step, nullptr);
  }
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  Win32Handle* h = ToHandle(hProcess);
  if (!h || h->kind != Win32Handle::kProcess || !lpExitCode) return Fail(ERROR_INVALID_HANDLE);
  Reap(*h->child, false);
  *lpExitCode = h->child->exitCode;
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (hModule) return Fail(ERROR_INVALID_HANDLE);
  if (!lpFilename || nSize == 0) return Fail(ERROR_INSUFFICIENT_BUFFER);
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return Fail(ErrorFromErrno(errno));
  // Win32 truncates to the buffer and ends it with a zero.
  DWORD copied = static_cast<DWORD>(length) < nSize ? static_cast<DWORD>(length) : nSize - 1;
  std::memcpy(lpFilename, path, copied);
  lpFilename[copied] = '\0';
  if (copied < static_cast<DWORD>(length)) SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return copied;
}

UINT WINAPI GetTempFileNameA(LPCSTR lpPathName, LPCSTR lpPrefixString, UINT uUnique, LPSTR lpTempFileName) {
  if (!lpTempFileName) return Fail(ERROR_INVALID_PARAMETER);
  std::string directory = lpPathName ? lpPathName : "";
  if (directory.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    directory = tmp && *tmp ? tmp : "/tmp";
  }
  if (directory.back() != '/' && directory.back() != '\\') directory += '/';
  // Win32 keeps three characters of the prefix and four hex digits of the number.
  std::string prefix = std::string(lpPrefixString ? lpPrefixString : "").substr(0, 3);
  char name[16];
  if (uUnique != 0) {
    std::snprintf(name, sizeof(name), "%X.TMP", uUnique & 0xFFFF);
    std::string path = directory + prefix + name;
    if (path.size() >= MAX_PATH) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(lpTempFileName, path.c_str(), path.size() + 1);
    return uUnique;
  }
  UINT start = static_cast<UINT>(getpid() ^ time(nullptr) ^ reinterpret_cast<uintptr_t>(&name)) & 0xFFFF;
  for (UINT i = 0; i < 0x10000; ++i) {
    UINT number = ((start + i) & 0xFFFF) ? (start + i) & 0xFFFF : 1;
    std::snprintf(name, sizeof(name), "%X.TMP", number);
    std::string path = directory + prefix + name;
    if (path.size() >= MAX_PATH) return Fail(ERROR_INSUFFICIENT_BUFFER);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      close(fd);
      std::memcpy(lpTempFileName, path.c_str(), path.size() + 1);
      return number;
    }
    if (errno != EEXIST) return Fail(ErrorFromErrno(errno));
  }
  return Fail(ERROR_FILE_EXISTS);
}

BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER);
  return unlink(lpFileName) == 0 ? TRUE : Fail(ErrorFromErrno(errno));
}

}  // extern "C"
