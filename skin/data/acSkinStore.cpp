#include "skin/data/acSkinStore.h"

#include <algorithm>
#include <random>

#include "platform/base/Clock.h"
#include "skin/data/acSkinPaths.h"

void TsStoredSkin::Assign(const TsStoredSkin* Source) {
  if (!Source || Source == this) return;
  Name = Source->Name;
  MasterBitmap = Source->MasterBitmap;
  Shadow1Color = Source->Shadow1Color;
  Shadow1Offset = Source->Shadow1Offset;
  Shadow1Blur = Source->Shadow1Blur;
  Shadow1Transparency = Source->Shadow1Transparency;
  BorderColor = Source->BorderColor;
  Version = Source->Version;
  Author = Source->Author;
  Description = Source->Description;
  PackedData = Source->PackedData;
}

TsStoredSkin& TsStoredSkins::Add() {
  FItems.push_back(std::make_unique<TsStoredSkin>(this));
  return *FItems.back();
}

void TsStoredSkins::Delete(int index) {
  if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

int TsStoredSkins::IndexOf(StringView SkinName) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i]->Name == SkinName) return static_cast<int>(i);
  }
  return -1;
}

void ExtractInternalSkin(const TsStoredSkins& skins, StringView NameOfSkin, StringView DestDir,
                         const TShowErrorBox& showError) {
  bool found = false;
  for (int i = 0; i < skins.Count(); ++i) {
    if (skins.Items(i).Name != NameOfSkin) continue;
    found = true;
    if (DirectoryExists(DestDir)) {
      ExtractByIndex(skins, i, DestDir, showError);
    } else {
      showError(u"Directory does not exists.");
    }
  }
  if (!found) showError(u"Skin does not exists.");
}

void ExtractByIndex(const TsStoredSkins& skins, int Index, StringView DestDir,
                    const TShowErrorBox& showError) {
  if (Index < 0 || Index >= skins.Count()) return;
  const String dir = EnsureDirSlash(DestDir);
  if (!DirectoryExists(dir) && !ForceDirectories(dir)) {
    showError(u"Directory " + dir + u" creation error.");
    return;
  }
  const TsStoredSkin& skin = skins.Items(Index);
  WriteFileAtomic(dir + skin.Name + u" extracted.asz", skin.PackedData);
}

namespace {

void CollectExternal(StringView fullSkinDirectory, TacSkinTypes SkinType,
                     std::vector<String>& names) {
  // Found like the skins it holds: without regard to letter case.
  const String directory = FindSkinDirectory(fullSkinDirectory);
  if (directory.empty()) return;
  for (const DirEntry& e : ListDirectory(directory)) {
    if (e.name.empty() || e.name[0] == u'.') continue;
    if (e.isDirectory) {
      if (SkinType != stPacked &&
          !FindSkinFile(PathJoin(PathJoin(directory, e.name), u"Options.dat")).empty()) {
        names.push_back(e.name);
      }
    } else if (SkinType != stUnpacked && e.name.size() > 4 && e.name.ends_with(u".asz")) {
      names.push_back(e.name.substr(0, e.name.size() - 4));
    }
  }
}

String Finish(std::vector<String>& names, std::vector<String>& List) {
  String first = names.empty() ? String() : names.front();
  std::stable_sort(names.begin(), names.end(),
                   [](const String& a, const String& b) { return CompareTextAscii(a, b) < 0; });
  List = std::move(names);
  return first;
}

}  // namespace

String GetSkinNames(const TsStoredSkins& skins, StringView fullSkinDirectory,
                    std::vector<String>& List, TacSkinTypes SkinType) {
  List.clear();
  std::vector<String> names;
  for (int i = 0; i < skins.Count(); ++i) names.push_back(skins.Items(i).Name);
  CollectExternal(fullSkinDirectory, SkinType, names);
  return Finish(names, List);
}

String GetExternalSkinNames(StringView fullSkinDirectory, std::vector<String>& List,
                            TacSkinTypes SkinType) {
  List.clear();
  std::vector<String> names;
  CollectExternal(fullSkinDirectory, SkinType, names);
  return Finish(names, List);
}

String GetRandomSkin(const TsStoredSkins& skins, StringView fullSkinDirectory) {
  std::vector<String> names;
  GetSkinNames(skins, fullSkinDirectory, names, stAllSkins);
  if (names.empty()) return String();
  // Seeded once from the clock: later calls continue the same sequence instead of repeating a
  // pick made within the same millisecond.
  static std::mt19937 generator(static_cast<uint32_t>(CurrentClock().NowMs() ^ std::random_device{}()));
  std::uniform_int_distribution<size_t> pick(0, names.size() - 1);
  return names[pick(generator)];
}
