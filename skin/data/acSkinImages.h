#pragma once
// The skin's pictures: the master bitmap, the picture entries (ma) named by option values and
// the large JPEG backgrounds (pa).
//
// A value names a picture by its first character: "!" a picture file with parameters, "@" a
// glyph, "^" a border and "~" a texture in the master bitmap (fixed four-digit layouts), any
// other value holding ".BMP" an old-style border file, and a value with "#" an old-style
// rectangle of the master bitmap. Values of other forms are not pictures.

#include <vector>

#include "platform/framework/IniFiles.h"
#include "skin/data/acSkinContent.h"
#include "skin/data/acSkinPack.h"

// Pictures smaller than this many pixels are decoded into textures; larger JPEGs stay patterns.
inline constexpr int64_t kPatternMinPixels = 900000;

// Frees the previous pictures and loads the master bitmap and every picture value. Archive is
// the skin's archive (pictures by upper-cased entry name) or none for files under SkinPath.
// Raises EConvertError for a malformed fixed-layout value and the decoder's error for a picture
// that cannot be read.
void LoadMaskImages(TacSkinContent& Content, const TMemIniFile& Options,
                    const TacSkinConvertor* Archive,
                    const std::vector<String>& CommonSections = {});
// Frees the previous patterns and loads the JPEG values: large ones as patterns, the others as
// texture entries of ma.
void LoadPatternImages(TacSkinContent& Content, const TMemIniFile& Options,
                       const TacSkinConvertor* Archive,
                       const std::vector<String>& CommonSections = {});
