#pragma once
// Paths of skin directories and skin files. Both '\' and '/' separate path parts; skins name
// their files in upper case, so files are found without regard to letter case.

#include "platform/base/Strings.h"

// Makes a directory path end with a separator: empty stays empty, a final '\' is kept, a final
// '/' becomes '\', a one-character path (a drive letter) gets ":\", anything else gets '\'.
String EnsureDirSlash(StringView path);

// The skin directory made absolute against the program's directory 'appDir' (which ends with
// a separator): "..\x" is taken from appDir's parent, ".\x" and "./x" from appDir, a path
// beginning with '/' or holding ':' or "\\" is used unchanged, anything else is put under appDir.
String GetFullSkinDirectory(StringView skinDirectory, StringView appDir);

// The file as it is on disk: the path itself when it exists, else the entry of its directory
// whose name matches without regard to ASCII case; empty when there is neither.
String FindSkinFile(StringView path);
// The same for a directory.
String FindSkinDirectory(StringView path);
