#pragma once
// Everything one skin load produces, held in one value. A load builds a new value completely
// aside; the skin manager swaps it in only when the load succeeded, so a failed load leaves the
// current skin untouched. Indexes into gd, ma and pa stay valid until the next swap.

#include <span>
#include <vector>

#include "skin/data/acSkinTypes.h"

class TMemIniFile;
class TacSkinConvertor;

class TacSkinContent {
 public:
  std::vector<TsGeneralData> gd;
  std::vector<TsMaskData> ma;
  std::vector<TsPatternData> pa;
  std::unique_ptr<win::Bitmap> MasterBitmap;
  TsSkinData SkinData;
  TConstantSkinData ConstData;
  bool SkinIsPacked = false;  // pictures came from an archive rather than from files

  // The first section named exactly SkinSection; -1 when none.
  int GetSkinIndex(StringView SkinSection) const;
  bool IsValidSkinIndex(int SkinIndex) const;
  // Section names in gd order when a skin is active.
  void GetSkinSections(std::vector<String>& List) const;

  // The first picture of SkinSection/PropertyName, else of the section's PARENTCLASS ancestors.
  int GetMaskIndex(int SkinIndex, StringView SkinSection, StringView PropertyName) const;
  // The exact match only.
  int GetMaskIndex(StringView SkinSection, StringView PropertyName) const;
  // Like GetMaskIndex, but only textures match.
  int GetTextureIndex(int SkinIndex, StringView SkinSection, StringView PropName) const;
  int GetPatternIndex(int SkinIndex, StringView SkinSection, StringView PropName) const;
  bool IsValidImgIndex(int Index) const { return Index >= 0 && size_t(Index) < ma.size(); }

  // Border slice widths: the entry's own width, else BorderWidth, else one frame's size.
  // An invalid index gives 0.
  int MaskWidthLeft(int MaskIndex);
  int MaskWidthTop(int MaskIndex) const;
  int MaskWidthRight(int MaskIndex) const;
  int MaskWidthBottom(int MaskIndex) const;

  // Indexes of the well-known sections and pictures, then the per-section picture indexes.
  void InitConstantIndexes();
  void InitMaskIndexes();

  // Frees pictures and patterns.
  void ClearMasks();
  void ClearPatterns();

 private:
  template <class Match>
  int SearchWithParents(int SkinIndex, StringView SkinSection, Match match) const;
};

// One complete load from an options document and, for a packed or built-in skin, its archive.
// skinPath is the directory of the skin's files (with a trailing separator), empty when the
// pictures come from the archive. Raises on a malformed value or picture.
TacSkinContent LoadSkinContent(const TMemIniFile& Options, const TacSkinConvertor* Archive,
                               StringView skinPath,
                               const std::vector<String>& CommonSections = {});
// An unpacked skin: a directory holding "Options.dat" and the picture files.
TacSkinContent LoadSkinDirectory(StringView directory,
                                 const std::vector<String>& CommonSections = {});
// A packed or built-in skin from its archive bytes, which are only read.
TacSkinContent LoadSkinArchive(std::span<const uint8_t> archive,
                               const std::vector<String>& CommonSections = {});

// The options entry of an archive as an options document (case-sensitive).
void LoadOptionsDocument(const Bytes& optionsEntry, TMemIniFile& document);
