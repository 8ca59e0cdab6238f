#pragma once
// The scalar names the drawing and window APIs share.

#include <cstdint>

namespace win {

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using USHORT = uint16_t;

}  // namespace win

// Macros, guarded, because GLib (and so Pango) defines them the same way and headers of both
// meet in the text engine.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
