#include "skin/data/acSkinPaths.h"

#include "platform/base/Files.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Finds the last path part case-insensitively in its parent; the parent itself must exist as
// written or be found the same way.
String FindEntry(StringView path, bool directory) {
  if (path.empty()) return String();
  if (directory ? DirectoryExists(path) : FileExists(path)) return String(path);
  String trimmed(path);
  while (trimmed.size() > 1 && IsSeparator(trimmed.back())) trimmed.pop_back();
  String name = ExtractFileName(trimmed);
  if (name.empty() || name == u"." || name == u"..") return String();
  String parent = ExtractFileDir(trimmed);
  if (parent.empty() && trimmed.size() > name.size()) parent = u"/";  // "/name"
  if (parent.empty()) parent = u".";
  String found = FindEntry(parent, true);
  if (found.empty()) return String();
  for (const DirEntry& e : ListDirectory(found)) {
    if (e.isDirectory == directory && e.name == name) return PathJoin(found, e.name);
  }
  for (const DirEntry& e : ListDirectory(found)) {
    if (e.isDirectory == directory && SameTextAscii(e.name, name)) return PathJoin(found, e.name);
  }
  return String();
}

}  // namespace

String EnsureDirSlash(StringView path) {
  if (path.empty()) return String();
  if (path.back() == u'\\') return String(path);
  if (path.back() == u'/') return String(path.substr(0, path.size() - 1)) + u"\\";
  if (path.size() == 1) return String(path) + u":\\";
  return String(path) + u"\\";
}

String GetFullSkinDirectory(StringView skinDirectory, StringView appDir) {
  StringView s = skinDirectory;
  if (s.starts_with(u"..")) {
    String parent(appDir);
    if (!parent.empty()) parent.pop_back();
    while (!parent.empty() && !IsSeparator(parent.back())) parent.pop_back();
    return parent + String(s.size() > 3 ? s.substr(3) : StringView());
  }
  if (s.starts_with(u".\\") || s.starts_with(u"./")) return String(appDir) + String(s.substr(2));
  if (s.starts_with(u"/")) return String(s);  // absolute on this platform
  if (s.find(u':') == StringView::npos && s.find(u"\\\\") == StringView::npos) {
    return String(appDir) + String(s);
  }
  return String(s);
}

String FindSkinFile(StringView path) { return FindEntry(path, false); }

String FindSkinDirectory(StringView path) { return FindEntry(path, true); }
