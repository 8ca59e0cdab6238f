#include "platform/base/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/base/Errors.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

size_t LastSeparator(StringView path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (IsSeparator(path[i - 1])) return i - 1;
  }
  return StringView::npos;
}

// Writes all of 'size' bytes, retrying short writes; false on error with errno set.
bool WriteAll(int fd, const uint8_t* p, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

String NormalizePath(StringView path) {
  String out(path);
  std::replace(out.begin(), out.end(), u'\\', u'/');
  return out;
}

std::string PathToNative(StringView path) { return StringToUtf8(NormalizePath(path)); }

bool FileExists(StringView path) {
  struct stat st;
  return !path.empty() && ::stat(PathToNative(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(StringView path) {
  struct stat st;
  return !path.empty() && ::stat(PathToNative(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(StringView path) {
  String p = NormalizePath(path);
  while (p.size() > 1 && p.back() == u'/') p.pop_back();
  if (p.empty()) return false;
  if (DirectoryExists(p)) return true;
  size_t sep = LastSeparator(p);
  if (sep != StringView::npos && sep > 0 && !ForceDirectories(p.substr(0, sep))) return false;
  if (::mkdir(PathToNative(p).c_str(), 0777) == 0) return true;
  return errno == EEXIST && DirectoryExists(p);
}

std::vector<DirEntry> ListDirectory(StringView path) {
  std::vector<DirEntry> entries;
  std::string native = PathToNative(path);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return entries;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDir;
    if (e->d_type == DT_DIR) {
      isDir = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st;
      isDir = ::stat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    } else {
      isDir = false;
    }
    entries.push_back({Utf8ToString(name), isDir});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return entries;
}

Bytes ReadWholeFile(StringView path) {
  std::string native = PathToNative(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError(path, SystemErrorText(errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = ::fstat(fd, &st) != 0 ? errno : EISDIR;
    ::close(fd);
    throw EFOpenError(path, SystemErrorText(err));
  }
  Bytes data;
  data.reserve(static_cast<size_t>(st.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw EFOpenError(path, SystemErrorText(err));
    }
    if (n == 0) break;
    data.insert(data.end(), buffer, buffer + n);
  }
  ::close(fd);
  return data;
}

void WriteFileAtomic(StringView path, const void* data, size_t size) {
  std::string target = PathToNative(path);
  std::string dir = ".";
  if (size_t sep = target.rfind('/'); sep != std::string::npos) dir = sep == 0 ? "/" : target.substr(0, sep);

  // Keep the permissions of the file being replaced.
  mode_t mode = 0666 & ~[] { mode_t m = ::umask(0); ::umask(m); return m; }();
  struct stat old;
  if (::stat(target.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode)) throw EFCreateError(path, SystemErrorText(EISDIR));
    mode = old.st_mode & 07777;
  }

  // Named after the target, shortened so that a name near the system's limit still fits.
  constexpr char kTempSuffix[] = ".tmp-XXXXXX";
  const size_t nameStart = target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1;
  const size_t nameRoom = NAME_MAX - (sizeof kTempSuffix - 1);
  std::string temp = target.substr(0, nameStart) +
                     target.substr(nameStart, std::min(target.size() - nameStart, nameRoom)) +
                     kTempSuffix;
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw EFCreateError(path, SystemErrorText(errno));
  int err = 0;
  if (!WriteAll(fd, static_cast<const uint8_t*>(data), size)) err = errno;
  if (!err && ::fchmod(fd, mode) != 0) err = errno;
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
  if (err) {
    ::unlink(temp.c_str());
    throw EFCreateError(path, SystemErrorText(err));
  }
  // Make the rename itself durable; failure here does not undo a completed replace.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void WriteFileAtomic(StringView path, const Bytes& data) {
  WriteFileAtomic(path, data.data(), data.size());
}

String ProgramPath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return String();
  return Utf8ToString(std::string_view(buffer, static_cast<size_t>(n)));
}

String ProgramDirectory() {
  String path = ProgramPath();
  size_t sep = LastSeparator(path);
  return sep == StringView::npos ? String(u"./") : path.substr(0, sep + 1);
}

String PathJoin(StringView a, StringView b) {
  if (a.empty() || (!b.empty() && IsSeparator(b[0]))) return NormalizePath(b);
  String out = NormalizePath(a);
  if (out.back() != u'/') out.push_back(u'/');
  out += NormalizePath(b);
  return out;
}

String ExtractFileName(StringView path) {
  size_t sep = LastSeparator(path);
  return String(sep == StringView::npos ? path : path.substr(sep + 1));
}

String ExtractFileDir(StringView path) {
  size_t sep = LastSeparator(path);
  return sep == StringView::npos ? String() : String(path.substr(0, sep));
}

String ExtractFileExt(StringView path) {
  size_t sep = LastSeparator(path);
  size_t start = sep == StringView::npos ? 0 : sep + 1;
  size_t dot = path.rfind(u'.');
  if (dot == StringView::npos || dot < start) return String();
  return String(path.substr(dot));
}

String ChangeFileExt(StringView path, StringView ext) {
  size_t sep = LastSeparator(path);
  size_t start = sep == StringView::npos ? 0 : sep + 1;
  size_t dot = path.rfind(u'.');
  if (dot == StringView::npos || dot < start) return String(path) + String(ext);
  return String(path.substr(0, dot)) + String(ext);
}

String IncludeTrailingPathDelimiter(StringView path) {
  String out(path);
  if (out.empty() || !IsSeparator(out.back())) out.push_back(u'/');
  return out;
}

String FindFileCaseInsensitive(StringView directory, StringView name) {
  for (const DirEntry& e : ListDirectory(directory)) {
    if (e.name == name) return PathJoin(directory, e.name);
  }
  for (const DirEntry& e : ListDirectory(directory)) {
    if (SameTextAscii(e.name, name)) return PathJoin(directory, e.name);
  }
  return String();
}
