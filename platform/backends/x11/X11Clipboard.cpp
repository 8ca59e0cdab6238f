#include "platform/backends/x11/X11Clipboard.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>

namespace win::x11 {

namespace {

std::string ToLatin1(StringView text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return out;
}

String FromLatin1(std::string_view bytes) {
  String out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// Reads a whole property and deletes it, refusing sizes past the transfer limit. The server
// deletes it with the read that reaches its end, in the same request: a separate delete could
// remove the next piece of an incremental transfer written in between, unread.
std::optional<std::string> ReadProperty(Display* dpy, XWindow window, XAtom property, XAtom* type) {
  std::string bytes;
  long wireBytes = 0;  // offsets are counted in 32-bit units of the data as the server holds it
  for (;;) {
    ::Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, window, property, wireBytes / 4, 1 << 16, True, AnyPropertyType,
                           &actualType, &format, &count, &after, &data) != Success)
      return std::nullopt;
    *type = actualType;
    // Format-32 items arrive as longs whatever their size on the wire.
    const size_t itemSize = format == 32 ? sizeof(long) : static_cast<size_t>(format / 8);
    if (data) {
      bytes.append(reinterpret_cast<const char*>(data), count * itemSize);
      XFree(data);
    }
    if (bytes.size() > X11Clipboard::kMaxTransfer) return std::nullopt;
    wireBytes += static_cast<long>(count) * (format / 8);
    if (after == 0 || actualType == 0 || count == 0) break;
  }
  return bytes;
}

}  // namespace

X11Clipboard::X11Clipboard(X11Display& display) : FDisplay(display) {}

size_t X11Clipboard::MaxChunk() const {
  Display* dpy = FDisplay.Dpy();
  long words = XExtendedMaxRequestSize(dpy);
  if (words == 0) words = XMaxRequestSize(dpy);
  // Room for the request header; pieces of at most a megabyte keep other requests flowing.
  return std::clamp<size_t>(static_cast<size_t>(words) * 4, 8192, 1u << 20) - 1024;
}

void X11Clipboard::Set(const ClipboardData& data, unsigned long time) {
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  FData = data;
  FOwnTime = time ? time : FDisplay.ServerTime();
  XSetSelectionOwner(dpy, a.CLIPBOARD, FDisplay.HelperWindow(), FOwnTime);
  XSetSelectionOwner(dpy, a.PRIMARY, FDisplay.HelperWindow(), FOwnTime);
  FOwnClipboard = XGetSelectionOwner(dpy, a.CLIPBOARD) == FDisplay.HelperWindow();
  FOwnPrimary = XGetSelectionOwner(dpy, a.PRIMARY) == FDisplay.HelperWindow();
}

std::vector<XAtom> X11Clipboard::OfferedTargets() const {
  const AtomSet& a = FDisplay.Atoms();
  std::vector<XAtom> targets = {a.TARGETS, a.TIMESTAMP};
  if (FData.text)
    targets.insert(targets.end(),
                   {a.UTF8_STRING, a.TEXT_PLAIN_UTF8, a.STRING, a.TEXT, a.TEXT_PLAIN});
  if (FData.rtf) targets.insert(targets.end(), {a.TEXT_RTF, a.RICH_TEXT_FORMAT, a.APPLICATION_RTF});
  return targets;
}

bool X11Clipboard::SendTarget(XWindow requestor, XAtom property, XAtom target) {
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  if (target == a.TARGETS) {
    std::vector<long> list;
    for (XAtom t : OfferedTargets()) list.push_back(static_cast<long>(t));
    XChangeProperty(dpy, requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
    return true;
  }
  if (target == a.TIMESTAMP) {
    const long t = static_cast<long>(FOwnTime);
    XChangeProperty(dpy, requestor, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&t), 1);
    return true;
  }
  std::string bytes;
  XAtom type = target;
  if (FData.text && (target == a.UTF8_STRING || target == a.TEXT_PLAIN_UTF8 || target == a.TEXT)) {
    bytes = StringToUtf8(*FData.text);
    if (target == a.TEXT) type = a.UTF8_STRING;
  } else if (FData.text && (target == a.STRING || target == a.TEXT_PLAIN)) {
    bytes = ToLatin1(*FData.text);
  } else if (FData.rtf &&
             (target == a.TEXT_RTF || target == a.RICH_TEXT_FORMAT || target == a.APPLICATION_RTF)) {
    bytes = *FData.rtf;
  } else {
    return false;
  }
  if (bytes.size() > MaxChunk()) {
    // Too big for one request: announce the size and hand the data over piece by piece, each
    // time the requestor deletes the property.
    XSelectInput(dpy, requestor, PropertyChangeMask);
    const long size = static_cast<long>(bytes.size());
    XChangeProperty(dpy, requestor, property, a.INCR, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&size), 1);
    FOutgoing.push_back({requestor, property, type, std::move(bytes), 0,
                         std::chrono::steady_clock::now()});
    return true;
  }
  XChangeProperty(dpy, requestor, property, type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  return true;
}

void X11Clipboard::AnswerRequest(const XEvent& event) {
  const XSelectionRequestEvent& req = event.xselectionrequest;
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  // Clients of old conventions name no property: the target then serves as one.
  const XAtom property = req.property ? req.property : req.target;
  const bool ours = (req.selection == a.CLIPBOARD && FOwnClipboard) ||
                    (req.selection == a.PRIMARY && FOwnPrimary);
  const bool timely = req.time == CurrentTime || req.time >= FOwnTime;
  const bool sent = ours && timely && SendTarget(req.requestor, property, req.target);

  XEvent reply{};
  reply.xselection.type = SelectionNotify;
  reply.xselection.requestor = req.requestor;
  reply.xselection.selection = req.selection;
  reply.xselection.target = req.target;
  reply.xselection.property = sent ? property : 0;
  reply.xselection.time = req.time;
  XSendEvent(dpy, req.requestor, False, 0, &reply);
  XFlush(dpy);
}

void X11Clipboard::ContinueIncrement(const XEvent& event) {
  const XPropertyEvent& pe = event.xproperty;
  Display* dpy = FDisplay.Dpy();
  const auto now = std::chrono::steady_clock::now();
  for (auto it = FOutgoing.begin(); it != FOutgoing.end();) {
    // A requestor that stopped reading is dropped after a while rather than kept for ever.
    if (now - it->started > std::chrono::seconds(30)) {
      it = FOutgoing.erase(it);
      continue;
    }
    if (it->requestor != pe.window || it->property != pe.atom || pe.state != PropertyDelete) {
      ++it;
      continue;
    }
    const size_t n = std::min(MaxChunk(), it->bytes.size() - it->offset);
    XChangeProperty(dpy, it->requestor, it->property, it->type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(it->bytes.data() + it->offset),
                    static_cast<int>(n));
    it->offset += n;
    if (n == 0) {
      // The empty piece just written marks the end.
      XSelectInput(dpy, it->requestor, 0);
      it = FOutgoing.erase(it);
    } else {
      ++it;
    }
    XFlush(dpy);
  }
}

bool X11Clipboard::HandleEvent(const XEvent& event) {
  const AtomSet& a = FDisplay.Atoms();
  switch (event.type) {
    case SelectionRequest:
      AnswerRequest(event);
      return true;
    case SelectionClear:
      if (event.xselectionclear.selection == a.CLIPBOARD) FOwnClipboard = false;
      if (event.xselectionclear.selection == a.PRIMARY) FOwnPrimary = false;
      if (!FOwnClipboard && !FOwnPrimary) FData = {};
      return true;
    case PropertyNotify:
      if (event.xproperty.window == FDisplay.HelperWindow()) return false;
      for (const Outgoing& o : FOutgoing) {
        if (o.requestor == event.xproperty.window) {
          ContinueIncrement(event);
          return true;
        }
      }
      return false;
    default:
      return false;
  }
}

bool X11Clipboard::WaitFor(XEvent* out, bool (*match)(const XEvent&, const X11Clipboard&),
                           int timeoutMs) {
  Display* dpy = FDisplay.Dpy();
  struct Ctx { bool (*match)(const XEvent&, const X11Clipboard&); const X11Clipboard* self; };
  Ctx ctx{match, this};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // Requests for our own selections are answered meanwhile: the program we wait for may be
    // asking us for something first.
    XEvent request;
    while (XCheckTypedEvent(dpy, SelectionRequest, &request)) AnswerRequest(request);
    // Only the awaited event is taken; everything else stays queued for the event loop.
    if (XCheckIfEvent(
            dpy, out,
            [](Display*, XEvent* e, XPointer arg) -> Bool {
              const Ctx* c = reinterpret_cast<const Ctx*>(arg);
              return c->match(*e, *c->self);
            },
            reinterpret_cast<XPointer>(&ctx)))
      return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
    XEventsQueued(dpy, QueuedAfterReading);
  }
}

std::optional<std::string> X11Clipboard::Convert(XAtom target, XAtom* type, unsigned long time,
                                                 bool* answered) {
  if (answered) *answered = false;
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  const XWindow helper = FDisplay.HelperWindow();
  XDeleteProperty(dpy, helper, a.QUILLET_SELECTION);
  XConvertSelection(dpy, a.CLIPBOARD, target, a.QUILLET_SELECTION, helper, time);
  XFlush(dpy);

  XEvent ev;
  constexpr int kAnswerMs = 1500;
  if (!WaitFor(&ev,
               [](const XEvent& e, const X11Clipboard& self) {
                 return e.type == SelectionNotify &&
                        e.xselection.requestor == self.FDisplay.HelperWindow();
               },
               kAnswerMs))
    return std::nullopt;
  if (answered) *answered = true;
  if (ev.xselection.property == 0) return std::nullopt;

  std::optional<std::string> bytes = ReadProperty(dpy, helper, a.QUILLET_SELECTION, type);
  if (!bytes || *type != a.INCR) return bytes;

  // An incremental transfer: each new value of the property is the next piece, and an empty one
  // ends it. Deleting the property (done by ReadProperty) asks for the next.
  std::string whole;
  for (;;) {
    if (!WaitFor(&ev,
                 [](const XEvent& e, const X11Clipboard& self) {
                   return e.type == PropertyNotify &&
                          e.xproperty.window == self.FDisplay.HelperWindow() &&
                          e.xproperty.atom == self.FDisplay.Atoms().QUILLET_SELECTION &&
                          e.xproperty.state == PropertyNewValue;
                 },
                 kAnswerMs))
      return std::nullopt;
    std::optional<std::string> piece = ReadProperty(dpy, helper, a.QUILLET_SELECTION, type);
    if (!piece) return std::nullopt;
    // A notice about the property that is already gone (the announcement just read) is no piece.
    if (*type == 0) continue;
    if (piece->empty()) return whole;
    if (whole.size() + piece->size() > kMaxTransfer) return std::nullopt;
    whole += *piece;
  }
}

ClipboardData X11Clipboard::Get(unsigned long time) {
  Display* dpy = FDisplay.Dpy();
  const AtomSet& a = FDisplay.Atoms();
  if (XGetSelectionOwner(dpy, a.CLIPBOARD) == FDisplay.HelperWindow()) return FData;
  ClipboardData result;
  if (XGetSelectionOwner(dpy, a.CLIPBOARD) == 0) return result;
  if (!time) time = FDisplay.ServerTime();

  std::vector<XAtom> targets;
  XAtom type = 0;
  bool answered = false;
  std::optional<std::string> list = Convert(a.TARGETS, &type, time, &answered);
  // An owner that does not answer at all would keep every further question waiting as well.
  if (!answered) return result;
  if (list && (type == XA_ATOM || type == a.TARGETS)) {
    const long* atoms = reinterpret_cast<const long*>(list->data());
    for (size_t i = 0; i < list->size() / sizeof(long); ++i) targets.push_back(XAtom(atoms[i]));
  }
  const auto offered = [&](XAtom t) {
    // An owner that cannot list its targets may still convert; try the usual ones then.
    return targets.empty() || std::find(targets.begin(), targets.end(), t) != targets.end();
  };

  for (XAtom t : {a.UTF8_STRING, a.TEXT_PLAIN_UTF8, a.STRING}) {
    if (!offered(t)) continue;
    if (std::optional<std::string> bytes = Convert(t, &type, time)) {
      result.text = type == a.STRING ? FromLatin1(*bytes) : Utf8ToString(*bytes);
      break;
    }
  }
  for (XAtom t : {a.TEXT_RTF, a.RICH_TEXT_FORMAT, a.APPLICATION_RTF}) {
    if (targets.empty() || !offered(t)) continue;
    if (std::optional<std::string> bytes = Convert(t, &type, time)) {
      result.rtf = std::move(*bytes);
      break;
    }
  }
  return result;
}

}  // namespace win::x11
