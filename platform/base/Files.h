#pragma once
// Files and paths. Paths are UTF-16 in the API and UTF-8 on disk. Both '\' and '/' separate
// path parts; a leading separator makes a path absolute.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/Strings.h"

using Bytes = std::vector<uint8_t>;

// The path with every '\' turned into '/'.
String NormalizePath(StringView path);
std::string PathToNative(StringView path);

bool FileExists(StringView path);       // a regular file (after following links)
bool DirectoryExists(StringView path);
// Creates the directory and any missing parents; true when it exists afterwards.
bool ForceDirectories(StringView path);

struct DirEntry {
  String name;
  bool isDirectory = false;
};
// The entries of a directory, without "." and "..", sorted by name. Empty when it can't be read.
std::vector<DirEntry> ListDirectory(StringView path);

// Reads a whole file; raises EFOpenError when it cannot be opened or read.
Bytes ReadWholeFile(StringView path);
// Replaces a file as a whole: the data goes to a temporary file in the same folder, which is
// flushed and renamed over the target. On any failure the previous file is left untouched, the
// temporary file is removed and EFCreateError is raised.
void WriteFileAtomic(StringView path, const void* data, size_t size);
void WriteFileAtomic(StringView path, const Bytes& data);

// The program file's full path and its directory with a trailing separator.
String ProgramPath();
String ProgramDirectory();

// Joins path parts with '/' (a part that is absolute replaces what came before).
String PathJoin(StringView a, StringView b);
String ExtractFileName(StringView path);  // after the last separator
String ExtractFileDir(StringView path);   // before the last separator, without it
String ExtractFileExt(StringView path);   // from the last '.' of the file name, or empty
String ChangeFileExt(StringView path, StringView ext);
String IncludeTrailingPathDelimiter(StringView path);

// Finds the entry of a directory whose name equals 'name' without regard to ASCII letter case.
// Returns the full path of the entry as it is on disk, or an empty string.
String FindFileCaseInsensitive(StringView directory, StringView name);
