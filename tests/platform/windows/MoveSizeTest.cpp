// The move and size loops and title buttons, driven by scripted input.

#include "WindowTestSupport.h"

namespace wintest {
namespace {

constexpr DWORD kFramed = WS_OVERLAPPEDWINDOW | WS_VISIBLE;

class MoveSizeTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    top = TopLevel(Bounds(100, 100, 300, 200), kFramed);
    Pump();
    Log().clear();
  }
  RECT WindowRect() {
    RECT r;
    GetWindowRect(top, &r);
    return r;
  }
  HWND top = nullptr;
};

TEST_F(MoveSizeTest, DraggingTheCaptionMovesTheWindowInsideAModalLoop) {
  bool timerDuringLoop = false;
  Answers() = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER) timerDuringLoop = true;
    return std::nullopt;
  };
  SetTimer(top, 5, 50, nullptr);
  backend->MoveTo(POINT{200, 110});
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{230, 140}); });
  backend->ScriptWait(100);  // timers keep running inside the loop
  backend->Script([&] { backend->MoveTo(POINT{260, 150}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  EXPECT_EQ(WindowRect(), Bounds(160, 140, 300, 200));
  EXPECT_TRUE(timerDuringLoop);
  EXPECT_EQ(LastOf(top, WM_SYSCOMMAND)->wParam, WPARAM(0xF012));
  std::vector<UINT> seq = MessagesOf(top, {WM_ENTERSIZEMOVE, WM_MOVING, WM_EXITSIZEMOVE});
  EXPECT_EQ(seq, (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVING, WM_EXITSIZEMOVE}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MoveSizeTest, AClickOnTheCaptionEndsTheLoopAndTheDoubleClickStillMaximizes) {
  backend->MoveTo(POINT{200, 110});
  backend->Press();
  backend->Script([&] {
    backend->Release();
    backend->VClock().Advance(40);
    backend->Press();
    backend->Release();
  });
  Pump();
  EXPECT_EQ(CountOf(top, WM_EXITSIZEMOVE), 1u);
  EXPECT_EQ(CountOf(top, WM_NCLBUTTONDBLCLK), 1u);
  EXPECT_TRUE(IsZoomed(top));
  // A maximised window does not move.
  RECT before = WindowRect();
  Log().clear();
  backend->VClock().Advance(1000);
  backend->MoveTo(POINT{200, 10});
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{300, 100}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  EXPECT_EQ(WindowRect(), before);
  EXPECT_EQ(CountOf(top, WM_ENTERSIZEMOVE), 0u);
}

TEST_F(MoveSizeTest, SizingFromACornerWithSizingAndMinimumTrackSize) {
  Answers() = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_SIZING) {
      auto* r = reinterpret_cast<RECT*>(l);
      r->right = r->left + (r->Width() / 10) * 10;  // snap widths to tens
    }
    if (m == WM_GETMINMAXINFO) reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{200, 150};
    return std::nullopt;
  };
  backend->MoveTo(POINT{399, 299});  // bottom-right corner of the frame
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{455, 327}); });
  backend->Script([&] { backend->MoveTo(POINT{150, 150}); });  // below the minimum
  backend->Script([&] { backend->MoveTo(POINT{424, 350}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  EXPECT_EQ(LastOf(top, WM_SYSCOMMAND)->wParam, WPARAM(SC_SIZE + 8));
  EXPECT_EQ(WindowRect(), Bounds(100, 100, 320, 251));
  size_t changes = 0;
  for (const Entry& e : Log())
    if (e.hwnd == top && e.msg == WM_WINDOWPOSCHANGED) ++changes;
  EXPECT_EQ(changes, 3u) << "one change per step";
  EXPECT_EQ(CountOf(top, WM_SIZING), 3u);
  // The minimum held at the smallest step.
  bool sawMinimum = false;
  for (const Entry& e : Log())
    if (e.hwnd == top && e.msg == WM_SIZE && e.lParam == MAKELPARAM(200 - 8, 150 - 31)) sawMinimum = true;
  EXPECT_TRUE(sawMinimum);
}

TEST_F(MoveSizeTest, EscapeRestoresTheStartAndAGripInAChildSizesTheTopLevel) {
  backend->MoveTo(POINT{250, 101});  // top edge
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{250, 50}); });
  backend->Script([&] {
    backend->Key(VK_ESCAPE);
    backend->Release();
  });
  Pump();
  EXPECT_EQ(WindowRect(), Bounds(100, 100, 300, 200));
  EXPECT_EQ(CountOf(top, WM_EXITSIZEMOVE), 1u);

  HWND grip = Child(top, Bounds(250, 130, 20, 20), WS_VISIBLE);
  Answers() = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h == grip && m == WM_NCHITTEST) return HTBOTTOMRIGHT;
    return std::nullopt;
  };
  POINT c = WindowCenter(grip);
  backend->MoveTo(c);
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{c.x + 30, c.y + 20}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  EXPECT_EQ(WindowRect(), Bounds(100, 100, 330, 220));
}

TEST_F(MoveSizeTest, MenuCommandsMoveAndSizeWithTheArrowKeys) {
  SetFocus(top);
  backend->Script([&] {
    backend->Key(VK_RIGHT);
    backend->Key(VK_RIGHT);
    backend->Key(VK_UP);
  });
  backend->Script([&] { backend->Key(VK_RETURN); });
  SendMessageW(top, WM_SYSCOMMAND, SC_MOVE, 0);
  EXPECT_EQ(WindowRect(), Bounds(116, 92, 300, 200));
  // Sizing: the first arrow picks the edge.
  backend->Script([&] {
    backend->Key(VK_DOWN);
    backend->Key(VK_DOWN);
    backend->Key(VK_UP);
  });
  backend->Script([&] { backend->Key(VK_RETURN); });
  SendMessageW(top, WM_SYSCOMMAND, SC_SIZE, 0);
  EXPECT_EQ(WindowRect(), Bounds(116, 92, 300, 208));
  EXPECT_EQ(CountOf(top, WM_EXITSIZEMOVE), 2u);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MoveSizeTest, TitleButtonsActOnlyWhenReleasedOverThemselves) {
  RECT r = WindowRect();
  POINT max{r.right - 40, r.top + 12};
  backend->MoveTo(max);
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{200, 200}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  EXPECT_FALSE(IsZoomed(top)) << "released elsewhere";
  backend->VClock().Advance(1000);
  backend->Click(max);
  Pump();
  EXPECT_TRUE(IsZoomed(top));
  r = WindowRect();
  backend->VClock().Advance(1000);
  backend->Click(POINT{r.right - 15 - 4, r.top + 12 + 4});
  Pump();
  EXPECT_FALSE(IsWindow(top)) << "close ends in WM_CLOSE's default";
}

TEST_F(MoveSizeTest, RightClickInTheCaptionAsksForAContextMenu) {
  backend->Click(POINT{200, 110}, MouseButton::Right);
  Pump();
  const Entry* menu = LastOf(top, WM_CONTEXTMENU);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->lParam, MAKELPARAM(200, 110));
}

}  // namespace
}  // namespace wintest
