#pragma once
// Built-in skins (archive bytes stored inside the program), their extraction to files, and the
// listing of every skin a skin directory offers.

#include <functional>
#include <memory>
#include <vector>

#include "platform/base/Colors.h"
#include "platform/base/Files.h"
#include "platform/graphics/Bitmap.h"

class TsSkinManager;
class TsStoredSkins;

class TsStoredSkin {
 public:
  explicit TsStoredSkin(TsStoredSkins* collection = nullptr) : FCollection(collection) {}

  // Copies the archive bytes and every property; with no source nothing is copied.
  void Assign(const TsStoredSkin* Source);
  TsStoredSkins* Collection() const { return FCollection; }

  String Name;
  win::Bitmap MasterBitmap;  // kept for the designer; loading does not use it
  // Informational copies of the skin's own values; loading reads the archive instead.
  TColor Shadow1Color = clNone;
  int Shadow1Offset = 0;
  int Shadow1Blur = -1;
  int Shadow1Transparency = 0;
  TColor BorderColor = clFuchsia;
  double Version = 0;
  String Author;
  String Description;
  Bytes PackedData;  // the archive bytes ("Data")

 private:
  TsStoredSkins* FCollection;
};

class TsStoredSkins {
 public:
  explicit TsStoredSkins(TsSkinManager* owner = nullptr) : FOwner(owner) {}
  TsStoredSkins(const TsStoredSkins&) = delete;
  TsStoredSkins& operator=(const TsStoredSkins&) = delete;

  TsStoredSkin& Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TsStoredSkin& Items(int index) { return *FItems.at(size_t(index)); }
  const TsStoredSkin& Items(int index) const { return *FItems.at(size_t(index)); }
  void Delete(int index);  // an index outside the collection is ignored
  void Clear() { FItems.clear(); }
  // The first skin whose Name equals SkinName exactly; -1 when none.
  int IndexOf(StringView SkinName) const;
  // Assigning a whole collection copies nothing (the built-in skins belong to their manager).
  void Assign(const TsStoredSkins&) {}
  TsSkinManager* Owner() const { return FOwner; }

 private:
  TsSkinManager* FOwner;
  std::vector<std::unique_ptr<TsStoredSkin>> FItems;
};

using TShowErrorBox = std::function<void(StringView message)>;

// Saves every built-in skin named NameOfSkin into DestDir; reports "Directory does not
// exists." or "Skin does not exists." through showError.
void ExtractInternalSkin(const TsStoredSkins& skins, StringView NameOfSkin, StringView DestDir,
                         const TShowErrorBox& showError);
// Saves one built-in skin as DestDir + Name + " extracted.asz", creating DestDir when needed;
// an index outside the collection saves nothing.
void ExtractByIndex(const TsStoredSkins& skins, int Index, StringView DestDir,
                    const TShowErrorBox& showError);

enum class TacSkinTypes : uint8_t { stUnpacked, stPacked, stAllSkins };
using enum TacSkinTypes;

// Names of the built-in skins, then of the skins found in fullSkinDirectory (sub-directories
// holding "Options.dat", files ending in ".asz"), sorted without regard to case. Returns the
// first name found, or empty.
String GetSkinNames(const TsStoredSkins& skins, StringView fullSkinDirectory,
                    std::vector<String>& List, TacSkinTypes SkinType = stAllSkins);
String GetExternalSkinNames(StringView fullSkinDirectory, std::vector<String>& List,
                            TacSkinTypes SkinType = stAllSkins);
// A uniformly chosen name of all skins, or empty when there are none.
String GetRandomSkin(const TsStoredSkins& skins, StringView fullSkinDirectory);
