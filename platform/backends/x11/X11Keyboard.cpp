#include "platform/backends/x11/X11Keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/windows/VirtualKeys.h"

namespace win::x11 {

namespace {

// X servers number keys as the kernel's input layer does, plus 8; those numbers are the PC's
// set-1 scan codes for the main block, and the keys below are the ones that PCs send with an
// 0xE0 prefix (the extended keys) or that moved.
struct ScanEntry { unsigned evdev; uint32_t scan; bool extended; };
constexpr ScanEntry kScanExceptions[] = {
    {69, 0x45, true},   // Num Lock
    {96, 0x1C, true},   // keypad Enter
    {97, 0x1D, true},   // right Ctrl
    {98, 0x35, true},   // keypad /
    {99, 0x37, true},   // Print Screen
    {100, 0x38, true},  // right Alt
    {102, 0x47, true},  // Home
    {103, 0x48, true},  // Up
    {104, 0x49, true},  // Page Up
    {105, 0x4B, true},  // Left
    {106, 0x4D, true},  // Right
    {107, 0x4F, true},  // End
    {108, 0x50, true},  // Down
    {109, 0x51, true},  // Page Down
    {110, 0x52, true},  // Insert
    {111, 0x53, true},  // Delete
    {119, 0x45, false}, // Pause
    {125, 0x5B, true},  // left Windows key
    {126, 0x5C, true},  // right Windows key
    {127, 0x5D, true},  // menu key
};

// The virtual key at each place of the main block, as on a US keyboard; used when a layout's
// keysym names no virtual key.
uint32_t VirtualKeyAtPlace(unsigned evdev) {
  static constexpr char kRow1[] = "1234567890";  // evdev 2..11
  static constexpr char kRow2[] = "QWERTYUIOP";  // 16..25
  static constexpr char kRow3[] = "ASDFGHJKL";   // 30..38
  static constexpr char kRow4[] = "ZXCVBNM";     // 44..50
  if (evdev >= 2 && evdev <= 11) return uint32_t(kRow1[evdev - 2]);
  if (evdev >= 16 && evdev <= 25) return uint32_t(kRow2[evdev - 16]);
  if (evdev >= 30 && evdev <= 38) return uint32_t(kRow3[evdev - 30]);
  if (evdev >= 44 && evdev <= 50) return uint32_t(kRow4[evdev - 44]);
  switch (evdev) {
    case 12: return VK_OEM_MINUS;
    case 13: return VK_OEM_PLUS;
    case 26: return VK_OEM_4;
    case 27: return VK_OEM_6;
    case 39: return VK_OEM_1;
    case 40: return VK_OEM_7;
    case 41: return VK_OEM_3;
    case 43: return VK_OEM_5;
    case 51: return VK_OEM_COMMA;
    case 52: return VK_OEM_PERIOD;
    case 53: return VK_OEM_2;
    case 86: return VK_OEM_102;
    default: return 0;
  }
}

uint32_t KeypadKey(unsigned long sym) {
  if (sym >= XK_KP_0 && sym <= XK_KP_9) return VK_NUMPAD0 + uint32_t(sym - XK_KP_0);
  switch (sym) {
    case XK_KP_Multiply: return VK_MULTIPLY;
    case XK_KP_Add: return VK_ADD;
    case XK_KP_Separator: return VK_SEPARATOR;
    case XK_KP_Subtract: return VK_SUBTRACT;
    case XK_KP_Decimal: return VK_DECIMAL;
    case XK_KP_Divide: return VK_DIVIDE;
    case XK_KP_Enter: return VK_RETURN;
    // Without Num Lock the keypad moves the caret, like the keys of the same name.
    case XK_KP_Home: return VK_HOME;
    case XK_KP_End: return VK_END;
    case XK_KP_Prior: return VK_PRIOR;
    case XK_KP_Next: return VK_NEXT;
    case XK_KP_Left: return VK_LEFT;
    case XK_KP_Right: return VK_RIGHT;
    case XK_KP_Up: return VK_UP;
    case XK_KP_Down: return VK_DOWN;
    case XK_KP_Insert: return VK_INSERT;
    case XK_KP_Delete: return VK_DELETE;
    case XK_KP_Begin: return VK_CLEAR;
    default: return 0;
  }
}

uint32_t NamedKey(unsigned long sym) {
  if (sym >= XK_F1 && sym <= XK_F12) return VK_F1 + uint32_t(sym - XK_F1);
  if (sym >= XK_a && sym <= XK_z) return 'A' + uint32_t(sym - XK_a);
  if (sym >= XK_A && sym <= XK_Z) return 'A' + uint32_t(sym - XK_A);
  if (sym >= XK_0 && sym <= XK_9) return '0' + uint32_t(sym - XK_0);
  switch (sym) {
    case XK_BackSpace: return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab: return VK_TAB;
    case XK_Clear: return VK_CLEAR;
    case XK_Return: return VK_RETURN;
    case XK_Shift_L:
    case XK_Shift_R: return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R: return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift: return VK_MENU;
    case XK_Pause: return VK_PAUSE;
    case XK_Caps_Lock: return VK_CAPITAL;
    case XK_Escape: return VK_ESCAPE;
    case XK_space: return VK_SPACE;
    case XK_Prior: return VK_PRIOR;
    case XK_Next: return VK_NEXT;
    case XK_End: return VK_END;
    case XK_Home: return VK_HOME;
    case XK_Left: return VK_LEFT;
    case XK_Up: return VK_UP;
    case XK_Right: return VK_RIGHT;
    case XK_Down: return VK_DOWN;
    case XK_Select: return VK_SELECT;
    case XK_Print:
    case XK_Sys_Req: return VK_SNAPSHOT;
    case XK_Insert: return VK_INSERT;
    case XK_Delete: return VK_DELETE;
    case XK_Help: return VK_HELP;
    case XK_Super_L: return VK_LWIN;
    case XK_Super_R: return VK_RWIN;
    case XK_Menu: return VK_APPS;
    case XK_Num_Lock: return VK_NUMLOCK;
    case XK_Scroll_Lock: return VK_SCROLL;
    case XK_semicolon: return VK_OEM_1;
    case XK_equal: return VK_OEM_PLUS;
    case XK_comma: return VK_OEM_COMMA;
    case XK_minus: return VK_OEM_MINUS;
    case XK_period: return VK_OEM_PERIOD;
    case XK_slash: return VK_OEM_2;
    case XK_grave: return VK_OEM_3;
    case XK_bracketleft: return VK_OEM_4;
    case XK_backslash: return VK_OEM_5;
    case XK_bracketright: return VK_OEM_6;
    case XK_apostrophe: return VK_OEM_7;
    case XK_less: return VK_OEM_102;
    default: return 0;
  }
}

}  // namespace

KeyIdentity IdentifyKey(unsigned long plain, unsigned long effective, unsigned int keycode) {
  KeyIdentity id;
  const unsigned evdev = keycode >= 8 ? keycode - 8 : 0;
  if (evdev < 0x80) id.scanCode = evdev;
  for (const ScanEntry& e : kScanExceptions) {
    if (e.evdev == evdev) {
      id.scanCode = e.scan;
      id.extended = e.extended;
    }
  }
  id.virtualKey = KeypadKey(effective);
  if (id.virtualKey == 0) id.virtualKey = NamedKey(plain);
  if (id.virtualKey == 0) id.virtualKey = VirtualKeyAtPlace(evdev);
  // Keys that exist twice tell the twins apart by the extended flag; the X keysym says which
  // one this is even where the keycode numbering is unusual.
  if (plain == XK_Control_R || plain == XK_Alt_R || plain == XK_ISO_Level3_Shift ||
      effective == XK_KP_Enter || effective == XK_KP_Divide)
    id.extended = true;
  // The caret keys of the keypad are the non-extended twins of the caret block.
  if (effective >= XK_KP_Home && effective <= XK_KP_Delete) id.extended = false;
  return id;
}

LockReader::LockReader(X11Display& display) : FDisplay(display) {
  Display* dpy = FDisplay.Dpy();
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  FHasXkb = XkbQueryExtension(dpy, &opcode, &event, &error, &major, &minor);
  if (FHasXkb) {
    const auto indicator = [&](const char* name) {
      int index = -1;
      Bool on = False;
      if (!XkbGetNamedIndicator(dpy, XInternAtom(dpy, name, False), &index, &on, nullptr, nullptr))
        return -1;
      return index;
    };
    FNumIndicator = indicator("Num Lock");
    FScrollIndicator = indicator("Scroll Lock");
  }
  // The modifier bit that Num Lock sets varies with the keymap; find it by its keysym.
  if (XModifierKeymap* map = XGetModifierMapping(dpy)) {
    const KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
    for (int mod = 0; mod < 8 && numLock; ++mod)
      for (int k = 0; k < map->max_keypermod; ++k)
        if (map->modifiermap[mod * map->max_keypermod + k] == numLock) FNumLockMask = 1u << mod;
    XFreeModifiermap(map);
  }
  Refresh();
}

void LockReader::Refresh() {
  Display* dpy = FDisplay.Dpy();
  if (FHasXkb) {
    unsigned int bits = 0;
    if (XkbGetIndicatorState(dpy, XkbUseCoreKbd, &bits) == Success) {
      const auto on = [bits](int index) { return index >= 0 && (bits & (1u << index)) != 0; };
      XkbStateRec state{};
      XkbGetState(dpy, XkbUseCoreKbd, &state);
      // Caps and Num come from the locked modifiers, which change with the key itself; the
      // Num Lock indicator only stands in where a keymap binds no modifier to the key.
      FCaps = (state.locked_mods & LockMask) != 0;
      FNum = FNumLockMask ? (state.locked_mods & FNumLockMask) != 0 : on(FNumIndicator);
      FScroll = on(FScrollIndicator);
      return;
    }
  }
  ::Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  if (XQueryPointer(dpy, FDisplay.Root(), &root, &child, &rx, &ry, &wx, &wy, &mask))
    FromState(mask);
}

void LockReader::FromState(unsigned int state) {
  FCaps = (state & LockMask) != 0;
  if (FNumLockMask) FNum = (state & FNumLockMask) != 0;
}

}  // namespace win::x11
