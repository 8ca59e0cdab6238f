#pragma once
// The clipboard on X: the CLIPBOARD selection (and PRIMARY, so that a copy can also be pasted
// with the middle button elsewhere), offered as UTF-8 and Latin-1 text and as RTF under the names
// other programs ask for. Large transfers go in increments both ways.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/backends/x11/X11Display.h"
#include "platform/windows/Backend.h"

typedef union _XEvent XEvent;

namespace win::x11 {

class X11Clipboard {
 public:
  explicit X11Clipboard(X11Display& display);

  // Takes ownership of CLIPBOARD and PRIMARY with the given contents; `time` is the server time
  // of the event that caused the copy (0: asks the server).
  void Set(const ClipboardData& data, unsigned long time);
  // The contents of CLIPBOARD: ours when we own it, else converted from its owner; an owner that
  // does not answer within a moment counts as an empty clipboard.
  ClipboardData Get(unsigned long time);

  // Answers selection traffic; returns true when the event was such traffic.
  bool HandleEvent(const XEvent& event);

  // Transfers larger than this many bytes would never end; they are refused.
  static constexpr size_t kMaxTransfer = 256u << 20;

 private:
  struct Outgoing {
    XWindow requestor = 0;
    XAtom property = 0;
    XAtom type = 0;
    std::string bytes;
    size_t offset = 0;
    std::chrono::steady_clock::time_point started;
  };

  void AnswerRequest(const XEvent& event);
  bool SendTarget(XWindow requestor, XAtom property, XAtom target);
  void ContinueIncrement(const XEvent& event);
  // The selection's value in the target's form; `answered` tells a refusal from silence.
  std::optional<std::string> Convert(XAtom target, XAtom* type, unsigned long time,
                                     bool* answered = nullptr);
  bool WaitFor(XEvent* out, bool (*match)(const XEvent&, const X11Clipboard&), int timeoutMs);
  std::vector<XAtom> OfferedTargets() const;
  size_t MaxChunk() const;

  X11Display& FDisplay;
  ClipboardData FData;
  bool FOwnClipboard = false;
  bool FOwnPrimary = false;
  unsigned long FOwnTime = 0;
  std::vector<Outgoing> FOutgoing;
};

}  // namespace win::x11
