#pragma once
// The keyboard as the window system sees it: X key events become virtual-key codes with the
// scan code and extended-key flag of the matching PC key, and the lock toggles come from the
// server's indicators.

#include <cstdint>

#include "platform/backends/x11/X11Display.h"

namespace win::x11 {

struct KeyIdentity {
  uint32_t virtualKey = 0;  // 0: the key has no virtual-key code
  uint32_t scanCode = 0;
  bool extended = false;
};

// From the key's keysyms: `plain` is the keysym of the key's first level (what the key shows
// unshifted), `effective` the one the current modifiers and Num Lock select; `keycode` is the X
// keycode (evdev numbering plus 8), which gives the scan code and the key's place for keys whose
// keysym names no virtual key (letters of other alphabets, punctuation of other layouts).
KeyIdentity IdentifyKey(unsigned long plain, unsigned long effective, unsigned int keycode);

// Reads the lock toggles from the server's keyboard indicators, falling back to the modifier
// state of the core protocol where the keyboard extension is missing.
class LockReader {
 public:
  explicit LockReader(X11Display& display);
  bool Caps() const { return FCaps; }
  bool Num() const { return FNum; }
  bool Scroll() const { return FScroll; }
  // Asks the server afresh.
  void Refresh();
  // Takes the toggles from an event's modifier state (Caps and Num; Scroll has no modifier and
  // keeps its last value).
  void FromState(unsigned int state);

 private:
  X11Display& FDisplay;
  bool FHasXkb = false;
  int FNumIndicator = -1, FScrollIndicator = -1;
  unsigned int FNumLockMask = 0;
  bool FCaps = false, FNum = false, FScroll = false;
};

}  // namespace win::x11
