#pragma once
// The basic scalar and handle types of the window system. Handles are opaque pointer-sized ids
// into tables; a value is never reused within a run and 0 is never a live handle.

#include <cstdint>

#include "platform/base/WinTypes.h"

namespace win {

using ATOM = uint16_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;

struct HWND__;
using HWND = HWND__*;
struct HHOOK__;
using HHOOK = HHOOK__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HDWP__;
using HDWP = HDWP__*;

constexpr WORD LOWORD(uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return DWORD(lo) | (DWORD(hi) << 16); }
constexpr LPARAM MAKELPARAM(int lo, int hi) { return LPARAM(MAKELONG(WORD(lo), WORD(hi))); }
constexpr WPARAM MAKEWPARAM(int lo, int hi) { return WPARAM(MAKELONG(WORD(lo), WORD(hi))); }
// Signed halves of a packed point (screen points may be negative).
constexpr int GET_X_LPARAM(LPARAM l) { return int16_t(uint16_t(l & 0xFFFF)); }
constexpr int GET_Y_LPARAM(LPARAM l) { return int16_t(uint16_t((l >> 16) & 0xFFFF)); }

inline HWND HandleToHwnd(uintptr_t id) { return reinterpret_cast<HWND>(id); }
inline uintptr_t HwndToHandle(HWND h) { return reinterpret_cast<uintptr_t>(h); }

}  // namespace win
