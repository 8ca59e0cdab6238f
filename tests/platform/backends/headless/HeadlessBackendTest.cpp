// The headless backend: screen composition, scripted input, the script and its waits, the
// clipboard, the backend selection and the test helpers.

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/backends/headless/HeadlessBackend.h"
#include "platform/base/Errors.h"
#include "platform/graphics/Gdi.h"
#include "platform/windows/Windows.h"

namespace win {
namespace {

std::vector<MSG>& Seen() {
  static std::vector<MSG> seen;
  return seen;
}

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_KEYDOWN || m == WM_KEYUP || m == WM_CHAR || m == WM_LBUTTONDOWN || m == WM_LBUTTONUP)
    Seen().push_back(MSG{h, m, w, l, 0, {}, 0});
  return DefWindowProcW(h, m, w, l);
}

class HeadlessBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend = &InstallHeadlessBackend();
    Seen().clear();
    WNDCLASSEXW info;
    if (!GetClassInfoExW(nullptr, u"QHeadless", &info)) {
      WNDCLASSEXW wc;
      wc.lpfnWndProc = ProcToken(&Proc);
      wc.lpszClassName = u"QHeadless";
      wc.hbrBackground = reinterpret_cast<HBRUSH>(uintptr_t(COLOR_WINDOW + 1));
      ASSERT_TRUE(RegisterClassExW(&wc));
    }
  }
  void TearDown() override { InstallBackend(nullptr); }
  HWND Make(const char16_t* text, RECT r, DWORD style, HWND parent = nullptr, DWORD ex = 0) {
    return CreateWindowExW(ex, u"QHeadless", text, style, r.left, r.top, r.Width(), r.Height(), parent,
                           nullptr, nullptr, nullptr);
  }
  HeadlessBackend* backend = nullptr;
};

COLORREF Rgb(Bgra p) { return RGB(p.r, p.g, p.b); }

TEST_F(HeadlessBackendTest, ScreenComposesVisibleWindowsBottomToTopWithinTheScreen) {
  backend->SetScreenSize(SIZE{320, 240});
  EXPECT_EQ(backend->WorkArea(), (RECT{0, 0, 320, 240}));
  backend->SetWorkArea(RECT{0, 0, 320, 220});
  HWND a = Make(u"a", Bounds(-20, -20, 100, 100), WS_POPUP | WS_VISIBLE);
  HWND b = Make(u"b", Bounds(50, 50, 300, 300), WS_POPUP | WS_VISIBLE);
  ProcessPendingMessages();
  HDC dc = GetDC(b);
  RECT all{0, 0, 300, 300};
  FillSolidRect(dc, &all, RGB(1, 2, 3));
  ReleaseDC(b, dc);
  Bitmap shot = backend->Screenshot();
  EXPECT_EQ(shot.Width(), 320);
  EXPECT_EQ(shot.Height(), 240);
  EXPECT_EQ(Rgb(shot.Pixel32(10, 10)), GetSysColor(COLOR_WINDOW)) << "a, partly off screen";
  EXPECT_EQ(Rgb(shot.Pixel32(60, 60)), RGB(1, 2, 3)) << "b above a";
  EXPECT_EQ(Rgb(shot.Pixel32(200, 20)), GetSysColor(COLOR_BACKGROUND));
  EXPECT_EQ(shot.Pixel32(60, 60).a, 255);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(Rgb(backend->ScreenPixel(60, 60)), GetSysColor(COLOR_WINDOW));
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(Rgb(backend->ScreenPixel(60, 60)), RGB(1, 2, 3));
}

TEST_F(HeadlessBackendTest, LayeredPicturesBlendOverTheWindowsBelow) {
  HWND below = Make(u"below", Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE);
  HWND layered = Make(u"shadow", Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE,
                      nullptr, WS_EX_LAYERED | WS_EX_TOPMOST);
  ProcessPendingMessages();
  HDC dc = GetDC(below);
  RECT all{0, 0, 100, 100};
  FillSolidRect(dc, &all, RGB(200, 100, 0));
  ReleaseDC(below, dc);
  // Half-transparent black, premultiplied: (0, 0, 0, 128).
  Bitmap pic(100, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) pic.Pixel32(x, y) = Bgra{0, 0, 0, 128};
  HDC mem = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateBitmapHandle(std::move(pic));
  SelectObject(mem, bmp);
  POINT src{0, 0};
  SIZE size{100, 100};
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, nullptr, &size, mem, &src, 0, &blend, ULW_ALPHA));
  Bgra p = backend->ScreenPixel(10, 10);
  EXPECT_EQ(p.r, 100);  // 200 * (255 - 128) / 255
  EXPECT_EQ(p.g, 50);
  blend.SourceConstantAlpha = 0;
  UpdateLayeredWindow(layered, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
  EXPECT_EQ(Rgb(backend->ScreenPixel(10, 10)), RGB(200, 100, 0)) << "fully transparent";
  DeleteDC(mem);
  DeleteObject(bmp);
}

TEST_F(HeadlessBackendTest, TypedTextUsesKeysWithShiftAndPacketsForTheRest) {
  HWND h = Make(u"edit", Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE);
  ProcessPendingMessages();
  SetFocus(h);
  backend->TypeText(u"a!\u20ac\n");
  ProcessPendingMessages();
  std::vector<std::pair<UINT, WPARAM>> keys;
  std::u16string chars;
  for (const MSG& m : Seen()) {
    if (m.message == WM_CHAR) chars += char16_t(m.wParam);
    else if (m.message == WM_KEYDOWN || m.message == WM_KEYUP) keys.push_back({m.message, m.wParam});
  }
  EXPECT_EQ(chars, u"a!\u20ac\r");
  std::vector<std::pair<UINT, WPARAM>> expected = {
      {WM_KEYDOWN, 'A'},        {WM_KEYUP, 'A'},          {WM_KEYDOWN, VK_SHIFT},
      {WM_KEYDOWN, '1'},        {WM_KEYUP, '1'},          {WM_KEYUP, VK_SHIFT},
      {WM_KEYDOWN, VK_PACKET},  {WM_KEYUP, VK_PACKET},    {WM_KEYDOWN, VK_RETURN},
      {WM_KEYUP, VK_RETURN}};
  EXPECT_EQ(keys, expected);
}

TEST_F(HeadlessBackendTest, ScriptStepsRunOnlyWhenTheLoopWouldWait) {
  HWND h = Make(u"w", Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE);
  std::vector<std::string> order;
  backend->Script([&] {
    order.push_back("step1");
    PostMessageW(h, WM_USER, 0, 0);
  });
  backend->ScriptWait(250);
  backend->Script([&] {
    order.push_back("step2 at " + std::to_string(GetTickCount64()));
    PostQuitMessage(0);
  });
  PostMessageW(h, WM_USER + 1, 0, 0);
  uint64_t t0 = GetTickCount64();
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (m.message == WM_USER + 1) order.push_back("posted");
    if (m.message == WM_USER) order.push_back("from step1");
    DispatchMessageW(&m);
  }
  EXPECT_EQ(order, (std::vector<std::string>{"posted", "step1", "from step1",
                                             "step2 at " + std::to_string(t0 + 250)}));
  EXPECT_EQ(backend->PendingSteps(), 0u);
  EXPECT_EQ(backend->WaitForEvents(std::nullopt), WaitResult::Starved);
  EXPECT_EQ(backend->WaitForEvents(40), WaitResult::Timeout);
  EXPECT_EQ(GetTickCount64(), t0 + 290) << "an idle wait jumps the virtual clock";
  backend->Wake();
  EXPECT_EQ(backend->WaitForEvents(std::nullopt), WaitResult::Woken);
}

TEST_F(HeadlessBackendTest, HelpersFindWindowsAndClickChildrenByText) {
  HWND top = Make(u"Dialog", Bounds(10, 10, 300, 200), WS_POPUP | WS_VISIBLE);
  HWND ok = Make(u"OK", Bounds(20, 20, 80, 24), WS_CHILD | WS_VISIBLE, top);
  ProcessPendingMessages();
  EXPECT_EQ(FindWindowByText(u"OK"), ok);
  EXPECT_EQ(FindWindowByClass(u"qheadless"), top);
  EXPECT_EQ(WindowCenter(ok), (POINT{70, 42}));
  EXPECT_FALSE(ClickChildByText(*backend, top, u"Cancel"));
  ASSERT_TRUE(ClickChildByText(*backend, top, u"OK"));
  ProcessPendingMessages();
  ASSERT_EQ(Seen().size(), 2u);
  EXPECT_EQ(Seen()[0].hwnd, ok);
  EXPECT_EQ(Seen()[0].message, UINT(WM_LBUTTONDOWN));
  EXPECT_EQ(Seen()[0].lParam, MAKELPARAM(40, 12));
}

TEST_F(HeadlessBackendTest, ClipboardAndSelection) {
  ClipboardData data;
  data.text = u"hello";
  data.rtf = "{\\rtf1 hello}";
  backend->SetClipboard(data);
  ClipboardData back = backend->GetClipboard();
  EXPECT_EQ(back.text, data.text);
  EXPECT_EQ(back.rtf, data.rtf);

  EXPECT_EQ(CurrentBackend().Name(), "headless");
  EXPECT_TRUE(IsBackendRegistered("headless"));
  EXPECT_THROW(CreateBackend("nonesuch"), Exception);
  const char* saved = std::getenv("QUILLET_BACKEND");
  std::string keep = saved ? saved : "";
  setenv("QUILLET_BACKEND", "x11", 1);
  EXPECT_EQ(SelectedBackendName(), "x11");
  unsetenv("QUILLET_BACKEND");
  setenv("DISPLAY", ":99", 1);
  EXPECT_EQ(SelectedBackendName(), "x11");
  unsetenv("DISPLAY");
  EXPECT_EQ(SelectedBackendName(), "headless");
  if (saved) setenv("QUILLET_BACKEND", keep.c_str(), 1);
}

}  // namespace
}  // namespace win
