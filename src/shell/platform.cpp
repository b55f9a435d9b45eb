#include "shell/platform.h"

#ifdef _WIN32

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <vector>

namespace {

std::wstring Widened(const std::string& path) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::vector<wchar_t> wide(static_cast<size_t>(size));
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), size);
  return std::wstring(wide.data());
}

}  // namespace

bool ReplaceFileDurably(const std::string& source, const std::string& target) {
  const std::wstring from = Widened(source);
  const std::wstring to = Widened(target);
  if (from.empty() || to.empty()) return false;
  const int fd = _wopen(from.c_str(), _O_WRONLY | _O_BINARY);
  if (fd < 0) return false;
  const bool flushed = _commit(fd) == 0;
  if (_close(fd) != 0 || !flushed) return false;
  // A plain rename refuses an existing target on Windows.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void EnterGameFolder() {
  if (GetFileAttributesW(L"data\\font.dat") != INVALID_FILE_ATTRIBUTES) return;
  std::vector<wchar_t> path(32768);
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return;
  std::wstring folder(path.data(), length);
  const size_t slash = folder.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return;
  folder.resize(slash);
  SetCurrentDirectoryW(folder.c_str());
}

#else

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {

bool Synced(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  return close(fd) == 0 && synced;
}

}  // namespace

bool ReplaceFileDurably(const std::string& source, const std::string& target) {
  if (!Synced(source, O_WRONLY) || rename(source.c_str(), target.c_str()) != 0) return false;
  // The rename itself lasts once the folder that holds it is on disk; the
  // new file is already in place, so a failure here is not reported.
  const size_t slash = target.find_last_of('/');
  Synced(slash == std::string::npos ? "." : target.substr(0, slash + 1), O_RDONLY);
  return true;
}

void EnterGameFolder() {}

#endif
