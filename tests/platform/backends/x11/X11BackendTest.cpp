// The X11 backend against a real X server (Xvfb under the test script): windows appear with
// their surface's pixels, shapes cut them, and input injected through the XTest extension comes
// back as backend events.

#include "platform/backends/x11/X11Backend.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/windows/VirtualKeys.h"

#undef FocusIn
#undef FocusOut
#undef Expose

namespace win::x11 {
namespace {

using Kind = BackendEvent::Kind;

struct RecordingSink : BackendSink {
  std::vector<BackendEvent> events;
  void OnBackendEvent(const BackendEvent& e) override { events.push_back(e); }
  const BackendEvent* Last(Kind kind) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it)
      if (it->kind == kind) return &*it;
    return nullptr;
  }
  int Count(Kind kind) const {
    return int(std::count_if(events.begin(), events.end(), [&](auto& e) { return e.kind == kind; }));
  }
};

HWND Hwnd(uintptr_t id) { return HandleToHwnd(id); }

void Fill(Bitmap& b, const RECT& r, Bgra c) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) b.Pixel32(x, y) = c;
}

constexpr Bgra kRed{0, 0, 255, 255};
constexpr Bgra kBlue{255, 0, 0, 255};
constexpr Bgra kGreen{0, 200, 0, 255};

// An outside client: it reads the screen and injects input as a person (or another program)
// would, through its own connection.
class X11BackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    // The backend first: Xlib's thread support must be set up before any other connection.
    FBackend = std::make_unique<X11Backend>();
    FBackend->Attach(&FSink);
    // A busy server turns new clients away for a moment; the backend retries, and so do we.
    for (int attempt = 0; attempt < 10 && !FOutside; ++attempt) {
      if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
      FOutside = XOpenDisplay(nullptr);
    }
    ASSERT_NE(FOutside, nullptr);
    int ev = 0, err = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(FOutside, &ev, &err, &major, &minor));
  }
  void TearDown() override {
    FBackend.reset();
    if (FOutside) XCloseDisplay(FOutside);
  }

  // Creates, paints and shows a top-level window and waits until the server shows it.
  void ShowWindow(HWND hwnd, Bitmap& surface, const RECT& bounds, TopLevelInfo info = {}) {
    info.bounds = bounds;
    FBackend->WindowCreated(hwnd, info, surface);
    FBackend->WindowShown(hwnd, true);
    const XWindow xw = FBackend->XWindowOf(hwnd);
    ASSERT_TRUE(PumpUntil([&] {
      XWindowAttributes attrs{};
      return XGetWindowAttributes(FOutside, xw, &attrs) && attrs.map_state == IsViewable;
    }));
    FBackend->SurfaceDamaged(hwnd, Bounds(0, 0, bounds.Width(), bounds.Height()));
    Settle();
  }

  // Runs the backend's loop until the condition holds (or two seconds pass).
  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
      FBackend->WaitForEvents(20);
      XSync(FOutside, False);
      if (done()) return true;
    }
    return false;
  }

  // Lets every request both connections made reach the server and every answer come back.
  void Settle() {
    XSync(FBackend->Connection().Dpy(), False);
    XSync(FOutside, False);
    FBackend->PollEvents();
    XSync(FBackend->Connection().Dpy(), False);
  }

  Bgra ScreenPixel(int x, int y) {
    XImage* img = XGetImage(FOutside, DefaultRootWindow(FOutside), x, y, 1, 1, AllPlanes, ZPixmap);
    const unsigned long p = XGetPixel(img, 0, 0);
    XDestroyImage(img);
    return {uint8_t(p & 0xFF), uint8_t((p >> 8) & 0xFF), uint8_t((p >> 16) & 0xFF), 255};
  }

  void Click(int x, int y, unsigned button = 1) {
    XTestFakeMotionEvent(FOutside, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(FOutside, button, True, CurrentTime);
    XTestFakeButtonEvent(FOutside, button, False, CurrentTime);
    XSync(FOutside, False);
  }

  void Key(KeySym sym, bool down) {
    XTestFakeKeyEvent(FOutside, XKeysymToKeycode(FOutside, sym), down, CurrentTime);
    XSync(FOutside, False);
  }

  RecordingSink FSink;
  std::unique_ptr<X11Backend> FBackend;
  Display* FOutside = nullptr;
};

class X11PresentTest : public X11BackendTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam())
      setenv("QUILLET_X11_NO_SHM", "1", 1);
    else
      unsetenv("QUILLET_X11_NO_SHM");
    X11BackendTest::SetUp();
  }
  void TearDown() override {
    X11BackendTest::TearDown();
    unsetenv("QUILLET_X11_NO_SHM");
  }
};

TEST_P(X11PresentTest, WindowShowsItsSurfaceAndOnlyDamagedPartsChange) {
  EXPECT_EQ(FBackend->Connection().HasShm(), !GetParam());
  Bitmap surface(120, 80);
  Fill(surface, Bounds(0, 0, 60, 80), kRed);
  Fill(surface, Bounds(60, 0, 60, 80), kBlue);
  Fill(surface, Bounds(5, 5, 10, 10), kGreen);
  ShowWindow(Hwnd(1), surface, Bounds(40, 30, 120, 80));

  EXPECT_EQ(ScreenPixel(40, 30), kRed);
  EXPECT_EQ(ScreenPixel(40 + 59, 30 + 79), kRed);
  EXPECT_EQ(ScreenPixel(40 + 60, 30), kBlue);
  EXPECT_EQ(ScreenPixel(40 + 119, 30 + 79), kBlue);
  EXPECT_EQ(ScreenPixel(45, 35), kGreen);
  EXPECT_EQ(ScreenPixel(54, 44), kGreen);
  EXPECT_EQ(ScreenPixel(55, 45), kRed);

  // The surface changes everywhere, but only one corner is reported as damaged; a damage
  // rectangle reaching outside the surface is clipped rather than read out of bounds.
  Fill(surface, Bounds(0, 0, 120, 80), kGreen);
  FBackend->SurfaceDamaged(Hwnd(1), Rect(100, 60, 400, 400));
  Settle();
  EXPECT_EQ(ScreenPixel(40 + 100, 30 + 60), kGreen);
  EXPECT_EQ(ScreenPixel(40 + 119, 30 + 79), kGreen);
  EXPECT_EQ(ScreenPixel(40 + 99, 30 + 60), kBlue);
  EXPECT_EQ(ScreenPixel(40 + 10, 30 + 70), kRed);

  // After a move and a resize the server shows the (resized) surface at the new place.
  surface.Resize(150, 90);
  Fill(surface, Bounds(0, 0, 150, 90), kBlue);
  FBackend->WindowMoved(Hwnd(1), Bounds(200, 100, 150, 90));
  FBackend->SurfaceDamaged(Hwnd(1), Bounds(0, 0, 150, 90));
  Settle();
  EXPECT_EQ(ScreenPixel(200, 100), kBlue);
  EXPECT_EQ(ScreenPixel(349, 189), kBlue);
  EXPECT_EQ(FSink.Count(Kind::Configure), 0) << "our own move is not news to the window manager";
}

INSTANTIATE_TEST_SUITE_P(SharedMemoryAndPlain, X11PresentTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Plain" : "SharedMemory"; });

TEST_F(X11BackendTest, ClicksArriveInScreenCoordinatesWithTheirWindow) {
  Bitmap surface(100, 100);
  Fill(surface, Bounds(0, 0, 100, 100), kBlue);
  ShowWindow(Hwnd(7), surface, Bounds(300, 200, 100, 100));
  FSink.events.clear();

  Click(310, 220);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::ButtonUp) != nullptr; }));
  const BackendEvent* down = FSink.Last(Kind::ButtonDown);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->window, Hwnd(7));
  EXPECT_EQ(down->point, (POINT{310, 220}));
  EXPECT_EQ(down->button, MouseButton::Left);
  const BackendEvent* move = FSink.Last(Kind::MouseMove);
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->point, (POINT{310, 220}));

  FSink.events.clear();
  Click(390, 290, 3);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::ButtonUp) != nullptr; }));
  EXPECT_EQ(FSink.Last(Kind::ButtonDown)->button, MouseButton::Right);

  FSink.events.clear();
  Click(350, 250, 5);  // one notch of the wheel towards the user
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::Wheel) != nullptr; }));
  EXPECT_EQ(FSink.Last(Kind::Wheel)->wheelDelta, -120);
  EXPECT_EQ(FSink.Count(Kind::ButtonDown), 0);
}

TEST_F(X11BackendTest, RegionCutsTheWindowForEyeAndMouse) {
  Bitmap surface(100, 100);
  Fill(surface, Bounds(0, 0, 100, 100), kGreen);
  ShowWindow(Hwnd(2), surface, Bounds(500, 100, 100, 100));
  const std::vector<RECT> leftHalf = {Rect(0, 0, 50, 100)};
  FBackend->RegionChanged(Hwnd(2), &leftHalf, &leftHalf);
  Settle();
  EXPECT_EQ(ScreenPixel(510, 150), kGreen);
  EXPECT_NE(ScreenPixel(560, 150), kGreen);

  FSink.events.clear();
  Click(560, 150);  // lands on the root window, not on ours
  Click(510, 150);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Count(Kind::ButtonUp) > 0; }));
  EXPECT_EQ(FSink.Count(Kind::ButtonDown), 1);
  EXPECT_EQ(FSink.Last(Kind::ButtonDown)->point, (POINT{510, 150}));

  // Without a region the whole window is back.
  FBackend->RegionChanged(Hwnd(2), nullptr, nullptr);
  FBackend->SurfaceDamaged(Hwnd(2), Bounds(0, 0, 100, 100));
  Settle();
  EXPECT_EQ(ScreenPixel(560, 150), kGreen);
}

TEST_F(X11BackendTest, LayeredPictureWithoutCompositorCutsItsTransparentPixels) {
  // Xvfb runs no compositing manager: layered windows are reported unavailable, and a layered
  // picture still lets eye and mouse through its alpha-0 pixels.
  EXPECT_FALSE(FBackend->LayeredWindowsAvailable());
  Bitmap surface(80, 80);
  TopLevelInfo info;
  info.popup = true;
  info.toolWindow = true;
  info.layered = true;
  ShowWindow(Hwnd(3), surface, Bounds(100, 400, 80, 80), info);
  Bitmap picture(80, 80);
  Fill(picture, Bounds(0, 0, 40, 80), {0, 0, 128, 128});  // half-transparent red, premultiplied
  FBackend->LayeredChanged(Hwnd(3), {&picture, 255});
  Settle();
  EXPECT_EQ(ScreenPixel(110, 410), (Bgra{0, 0, 128, 255}));
  FSink.events.clear();
  Click(170, 410);
  Click(110, 410);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Count(Kind::ButtonUp) > 0; }));
  EXPECT_EQ(FSink.Count(Kind::ButtonDown), 1);
  EXPECT_EQ(FSink.Last(Kind::ButtonDown)->point, (POINT{110, 410}));
}

TEST_F(X11BackendTest, KeysBecomeVirtualKeysWithTextModifiersAndLocks) {
  Bitmap surface(60, 60);
  ShowWindow(Hwnd(4), surface, Bounds(700, 300, 60, 60));
  XSetInputFocus(FOutside, FBackend->XWindowOf(Hwnd(4)), RevertToParent, CurrentTime);
  XTestFakeMotionEvent(FOutside, -1, 720, 320, CurrentTime);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::FocusIn) != nullptr; }));
  EXPECT_EQ(FSink.Last(Kind::FocusIn)->window, Hwnd(4));

  struct Case { std::vector<KeySym> keys; uint32_t vk; String text; bool shift; bool extended; };
  const Case cases[] = {
      {{XK_a}, 'A', u"a", false, false},
      {{XK_Shift_L, XK_a}, 'A', u"A", true, false},
      {{XK_5}, '5', u"5", false, false},
      {{XK_Return}, VK_RETURN, u"\r", false, false},
      {{XK_BackSpace}, VK_BACK, u"\b", false, false},
      {{XK_Delete}, VK_DELETE, u"", false, true},
      {{XK_Left}, VK_LEFT, u"", false, true},
      {{XK_F5}, VK_F5, u"", false, false},
      {{XK_Control_R}, VK_CONTROL, u"", false, true},
  };
  for (const Case& c : cases) {
    FSink.events.clear();
    for (KeySym k : c.keys) Key(k, true);
    for (auto it = c.keys.rbegin(); it != c.keys.rend(); ++it) Key(*it, false);
    ASSERT_TRUE(PumpUntil([&] { return FSink.Count(Kind::KeyUp) == int(c.keys.size()); }))
        << XKeysymToString(c.keys.back());
    const BackendEvent* down = nullptr;
    for (const BackendEvent& e : FSink.events)
      if (e.kind == Kind::KeyDown && e.virtualKey == c.vk) down = &e;
    ASSERT_NE(down, nullptr) << XKeysymToString(c.keys.back());
    EXPECT_EQ(down->window, Hwnd(4));
    EXPECT_EQ(down->text, c.text) << XKeysymToString(c.keys.back());
    EXPECT_EQ(down->modifiers.shift, c.shift) << XKeysymToString(c.keys.back());
    EXPECT_EQ(down->extended, c.extended) << XKeysymToString(c.keys.back());
    EXPECT_FALSE(down->repeat);
  }

  // Caps Lock: its own key-down already reports the new toggle; the server's state agrees.
  const bool capsBefore = FBackend->QueryLockStates().capsLock;
  FSink.events.clear();
  Key(XK_Caps_Lock, true);
  Key(XK_Caps_Lock, false);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Count(Kind::KeyUp) == 1; }));
  const BackendEvent* caps = FSink.Last(Kind::KeyDown);
  ASSERT_NE(caps, nullptr);
  EXPECT_EQ(caps->virtualKey, VK_CAPITAL);
  EXPECT_EQ(caps->locks.capsLock, !capsBefore);
  EXPECT_EQ(FBackend->QueryLockStates().capsLock, !capsBefore);
  Key(XK_Caps_Lock, true);
  Key(XK_Caps_Lock, false);
  FBackend->PollEvents();
  EXPECT_EQ(FBackend->QueryLockStates().capsLock, capsBefore);
}

TEST_F(X11BackendTest, OutsideMovesAndCloseRequestsAreReported) {
  Bitmap surface(50, 50);
  ShowWindow(Hwnd(5), surface, Bounds(10, 10, 50, 50));
  const XWindow xw = FBackend->XWindowOf(Hwnd(5));
  FSink.events.clear();

  // Another client (as a desktop window manager would) moves and resizes the window.
  XMoveResizeWindow(FOutside, xw, 30, 40, 70, 60);
  XSync(FOutside, False);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::Configure) != nullptr; }));
  EXPECT_EQ(FSink.Last(Kind::Configure)->window, Hwnd(5));
  EXPECT_EQ(FSink.Last(Kind::Configure)->rect, Bounds(30, 40, 70, 60));

  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = xw;
  ev.xclient.message_type = XInternAtom(FOutside, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(FOutside, "WM_DELETE_WINDOW", False));
  XSendEvent(FOutside, xw, False, 0, &ev);
  XSync(FOutside, False);
  ASSERT_TRUE(PumpUntil([&] { return FSink.Last(Kind::CloseRequest) != nullptr; }));
  EXPECT_EQ(FSink.Last(Kind::CloseRequest)->window, Hwnd(5));
}

TEST_F(X11BackendTest, WindowIsUndecoratedButManaged) {
  Bitmap surface(50, 50);
  TopLevelInfo info;
  info.bounds = Bounds(0, 0, 50, 50);
  info.title = u"Überschrift";
  FBackend->WindowCreated(Hwnd(6), info, surface);
  const XWindow xw = FBackend->XWindowOf(Hwnd(6));
  XWindowAttributes attrs{};
  ASSERT_TRUE(XGetWindowAttributes(FOutside, xw, &attrs));
  EXPECT_FALSE(attrs.override_redirect);

  const auto property = [&](const char* name, Atom* type) {
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(FOutside, xw, XInternAtom(FOutside, name, False), 0, 64, False,
                       AnyPropertyType, type, &format, &count, &after, &data);
    std::vector<long> values;
    std::string bytes;
    if (data && format == 32) values.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data && format == 8) bytes.assign(reinterpret_cast<char*>(data), count);
    if (data) XFree(data);
    return std::make_pair(values, bytes);
  };
  Atom type = 0;
  const auto motif = property("_MOTIF_WM_HINTS", &type).first;
  ASSERT_EQ(motif.size(), 5u);
  EXPECT_EQ(motif[0] & 2, 2) << "decorations field in use";
  EXPECT_EQ(motif[2], 0) << "no decorations";
  EXPECT_EQ(property("_NET_WM_NAME", &type).second, "\xC3\x9C" "berschrift");
  EXPECT_EQ(type, XInternAtom(FOutside, "UTF8_STRING", False));

  // A menu-like popup is placed by us alone.
  TopLevelInfo menu;
  menu.bounds = Bounds(0, 0, 30, 30);
  menu.popup = true;
  menu.toolWindow = true;
  FBackend->WindowCreated(Hwnd(8), menu, surface);
  ASSERT_TRUE(XGetWindowAttributes(FOutside, FBackend->XWindowOf(Hwnd(8)), &attrs));
  EXPECT_TRUE(attrs.override_redirect);
}

TEST_F(X11BackendTest, WaitEndsOnWakeAndOnTimeout) {
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(FBackend->WaitForEvents(60), WaitResult::Timeout);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));

  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    FBackend->Wake();
  });
  EXPECT_EQ(FBackend->WaitForEvents(std::nullopt), WaitResult::Woken);
  waker.join();
  FBackend->Wake();  // before the wait: the next one returns at once
  EXPECT_EQ(FBackend->WaitForEvents(5000), WaitResult::Woken);
}

// Two backends stand for two programs: one copies, the other pastes, while the first answers
// from its own thread as its event loop would.
TEST_F(X11BackendTest, ClipboardTravelsBetweenProgramsInEveryFormatAndSize) {
  X11Backend paster;
  struct Case { ClipboardData data; };
  std::string bigRtf = "{\\rtf1 ";
  while (bigRtf.size() < (3u << 20)) bigRtf += "Lorem ipsum dolor sit amet \\par ";
  bigRtf += "}";
  const Case cases[] = {
      {{String(u"Grüße, 世界"), std::string("{\\rtf1 Gr\\'fc\\'dfe}")}},
      {{String(u"plain only"), std::nullopt}},
      {{String(3u << 20, u'x'), bigRtf}},  // both beyond one request: incremental transfers
  };
  for (const Case& c : cases) {
    FBackend->SetClipboard(c.data);
    // The owner reads its own clipboard without asking the server.
    EXPECT_TRUE(FBackend->GetClipboard().text == c.data.text);
    std::atomic<bool> stop{false};
    std::thread owner([&] {
      while (!stop) FBackend->WaitForEvents(10);
    });
    const ClipboardData got = paster.GetClipboard();
    stop = true;
    owner.join();
    // Compared without printing: the large case would flood the log.
    EXPECT_TRUE(got.text == c.data.text) << (got.text ? got.text->size() : 0);
    EXPECT_EQ(got.rtf.has_value(), c.data.rtf.has_value());
    if (got.rtf && c.data.rtf) {
      EXPECT_TRUE(*got.rtf == *c.data.rtf) << got.rtf->size();
    }
  }
}

// Another program pastes with plain Xlib, target by target, as such programs do.
TEST_F(X11BackendTest, ClipboardAnswersOtherProgramsInTheirOwnTargets) {
  ClipboardData data;
  data.text = u"Gr\u00FC\u00DFe \u4E16";
  data.rtf = "{\\rtf1 x}";
  FBackend->SetClipboard(data);
  const Window requestor = XCreateSimpleWindow(FOutside, DefaultRootWindow(FOutside), 0, 0, 1, 1, 0, 0, 0);
  const Atom property = XInternAtom(FOutside, "PASTE", False);
  const auto convert = [&](const char* selection, const char* target, Atom* type) {
    XConvertSelection(FOutside, XInternAtom(FOutside, selection, False),
                      XInternAtom(FOutside, target, False), property, requestor, CurrentTime);
    XSync(FOutside, False);
    XEvent ev{};
    const bool answered = PumpUntil([&] {
      return XCheckTypedWindowEvent(FOutside, requestor, SelectionNotify, &ev) == True;
    });
    std::vector<unsigned char> bytes;
    *type = 0;
    if (!answered || ev.xselection.property == 0) return bytes;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* value = nullptr;
    XGetWindowProperty(FOutside, requestor, property, 0, 1 << 20, True, AnyPropertyType, type,
                       &format, &count, &after, &value);
    const size_t itemSize = format == 32 ? sizeof(long) : size_t(format / 8);
    if (value) bytes.assign(value, value + count * itemSize);
    if (value) XFree(value);
    return bytes;
  };
  const auto asString = [](const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); };

  Atom type = 0;
  const std::vector<unsigned char> list = convert("CLIPBOARD", "TARGETS", &type);
  EXPECT_EQ(type, XA_ATOM);
  std::vector<std::string> names;
  for (size_t i = 0; i + sizeof(long) <= list.size(); i += sizeof(long)) {
    char* name = XGetAtomName(FOutside, Atom(*reinterpret_cast<const long*>(&list[i])));
    names.push_back(name);
    XFree(name);
  }
  for (const char* expected : {"UTF8_STRING", "STRING", "TEXT", "text/plain;charset=utf-8", "text/rtf",
                               "Rich Text Format"})
    EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;

  struct Case { const char* selection; const char* target; const char* type; std::string bytes; };
  const Case cases[] = {
      {"CLIPBOARD", "UTF8_STRING", "UTF8_STRING", "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\x96"},
      {"CLIPBOARD", "TEXT", "UTF8_STRING", "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\x96"},
      {"CLIPBOARD", "STRING", "STRING", "Gr\xFC\xDF" "e ?"},  // Latin-1; the rest as '?'
      {"CLIPBOARD", "text/rtf", "text/rtf", "{\\rtf1 x}"},
      {"CLIPBOARD", "Rich Text Format", "Rich Text Format", "{\\rtf1 x}"},
      {"PRIMARY", "UTF8_STRING", "UTF8_STRING", "Gr\xC3\xBC\xC3\x9F" "e \xE4\xB8\x96"},
  };
  for (const Case& c : cases) {
    const std::string got = asString(convert(c.selection, c.target, &type));
    EXPECT_EQ(got, c.bytes) << c.selection << " " << c.target;
    EXPECT_EQ(type, XInternAtom(FOutside, c.type, False)) << c.selection << " " << c.target;
  }
  // A target we do not have is refused, not answered with something else.
  EXPECT_TRUE(convert("CLIPBOARD", "image/png", &type).empty());
  EXPECT_EQ(type, 0u);

  // Once another program owns the clipboard, ours is gone; this owner never answers, and a
  // paste gives up after one wait rather than one for every format.
  XSetSelectionOwner(FOutside, XInternAtom(FOutside, "CLIPBOARD", False), requestor, CurrentTime);
  XSync(FOutside, False);
  const auto start = std::chrono::steady_clock::now();
  const ClipboardData pasted = FBackend->GetClipboard();
  EXPECT_FALSE(pasted.text.has_value());
  EXPECT_FALSE(pasted.rtf.has_value());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  XDestroyWindow(FOutside, requestor);
}

TEST(OpaqueRects, RowsOfRunsMergeDownwardsWhereTheyRepeat) {
  Bitmap b(6, 4);
  Fill(b, Rect(1, 0, 3, 2), kRed);  // a 2x2 block
  Fill(b, Rect(4, 0, 6, 2), kRed);  // beside it
  Fill(b, Rect(0, 3, 6, 4), kRed);  // a full last row after an empty one
  b.Pixel32(2, 3).a = 0;            // with a hole
  const std::vector<RECT> expect = {Rect(1, 0, 3, 2), Rect(4, 0, 6, 2), Rect(0, 3, 2, 4),
                                    Rect(3, 3, 6, 4)};
  EXPECT_EQ(OpaqueRects(b), expect);
  EXPECT_TRUE(OpaqueRects(Bitmap(5, 5)).empty());
}

TEST(IdentifyKey, KeysymsAndPlacesGiveVirtualKeysAndScanCodes) {
  struct Case { KeySym plain, effective; unsigned keycode; uint32_t vk, scan; bool extended; };
  // Keycodes are the kernel's key numbers plus 8.
  const Case cases[] = {
      {XK_a, XK_A, 38, 'A', 0x1E, false},
      {XK_q, XK_q, 24, 'Q', 0x10, false},
      {XK_adiaeresis, XK_adiaeresis, 48, VK_OEM_7, 0x28, false},  // German layout: by place
      {XK_Right, XK_Right, 114, VK_RIGHT, 0x4D, true},
      {XK_KP_End, XK_KP_1, 87, VK_NUMPAD1, 0x4F, false},  // Num Lock on
      {XK_KP_End, XK_KP_End, 87, VK_END, 0x4F, false},    // Num Lock off: not the extended End
      {XK_KP_Enter, XK_KP_Enter, 104, VK_RETURN, 0x1C, true},
      {XK_Alt_R, XK_Alt_R, 108, VK_MENU, 0x38, true},
      {XK_ISO_Level3_Shift, XK_ISO_Level3_Shift, 108, VK_MENU, 0x38, true},
      {XK_Shift_R, XK_Shift_R, 62, VK_SHIFT, 0x36, false},
      {XK_semicolon, XK_colon, 47, VK_OEM_1, 0x27, false},
      {XK_F13, XK_F13, 191, 0, 0, false},  // no virtual key: reported as none
  };
  for (const Case& c : cases) {
    const KeyIdentity id = IdentifyKey(c.plain, c.effective, c.keycode);
    EXPECT_EQ(id.virtualKey, c.vk) << XKeysymToString(c.plain);
    EXPECT_EQ(id.scanCode, c.scan) << XKeysymToString(c.plain);
    EXPECT_EQ(id.extended, c.extended) << XKeysymToString(c.plain);
  }
}

}  // namespace
}  // namespace win::x11
