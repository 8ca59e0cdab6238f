#pragma once
// Reading the options text "Options.dat" into section data and the skin's global values.

#include <vector>

#include "platform/framework/IniFiles.h"
#include "skin/data/acSkinContent.h"

// The value of Key in Section, else in its PARENTCLASS ancestors (nearest first), else Default.
// A value written as "?" counts as absent. A chain that loops ends at the first repeat.
String ReadInheritedString(const TMemIniFile& Options, StringView Section, StringView Key,
                           StringView Default);
// The same for integers; -1 and invalid values count as absent. A value found in an ancestor
// comes back with system colours resolved; the section's own value and the default do not.
int32_t ReadInheritedInt(const TMemIniFile& Options, StringView Section, StringView Key,
                         int32_t Default);

// [GLOBALINFO] into SkinData (SkinPath and Active are left alone). Raises EConvertError for an
// invalid value of a strictly read key.
void ReadSkinData(const TMemIniFile& Options, TsSkinData& SkinData);

// Builds gd and SkinData from the document, merges the common sections (when any) and sets the
// per-section picture indexes. Pictures must be loaded first.
void LoadAllGeneralData(TacSkinContent& Content, const TMemIniFile& Options,
                        const std::vector<String>& CommonSections = {});
