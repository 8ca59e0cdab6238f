// Standard scroll bars: clamping, the hide and disable rules, bar geometry, tracking; MulDiv.

#include "WindowTestSupport.h"

namespace wintest {
namespace {

using ScrollBarTest = WindowTest;

TEST(MulDivTest, RoundsHalfAwayFromZeroAndReportsFailure) {
  struct Case {
    int a, b, c, expected;
  } cases[] = {
      {10, 3, 4, 8},            // 7.5 -> 8
      {-10, 3, 4, -8},          // -7.5 -> -8
      {10, -3, -4, 8},
      {7, 1, 3, 2},             // 2.33 -> 2
      {5, 1, 3, 2},             // 1.67 -> 2
      {0x40000000, 4, 2, -1},   // 2^31 does not fit
      {0x40000000, 4, 4, 0x40000000},  // the 64-bit product keeps it exact
      {1, 1, 0, -1},
      {INT32_MIN, 1, 1, INT32_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST_F(ScrollBarTest, PageAndPositionAreClamped) {
  HWND h = TopLevel(Bounds(0, 0, 200, 200), WS_POPUP | WS_VISIBLE);
  struct Case {
    int min, max;
    UINT page;
    int pos;
    UINT expectPage;
    int expectPos;
  } cases[] = {
      {0, 99, 10, 50, 10, 50},
      {0, 99, 10, 95, 10, 90},     // max - (page - 1)
      {0, 99, 0, 150, 0, 99},      // no page: up to max
      {0, 99, 500, 10, 100, 0},    // page limited to the range's size
      {10, 20, 5, 0, 5, 10},       // below the minimum
      {5, 5, 1, 9, 1, 5},
      {0, -10, 3, 4, 0, 0},        // an inverted range holds nothing
  };
  for (const Case& c : cases) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    si.nMin = c.min;
    si.nMax = c.max;
    si.nPage = c.page;
    si.nPos = c.pos;
    EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, FALSE), c.expectPos);
    SCROLLINFO out;
    out.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &out));
    EXPECT_EQ(out.nPage, c.expectPage) << c.min << ".." << c.max << " page " << c.page;
    EXPECT_EQ(out.nPos, c.expectPos);
  }
}

TEST_F(ScrollBarTest, UnneededBarsHideOrDisableAndChangeTheClient) {
  HWND h = TopLevel(Bounds(0, 0, 200, 200), WS_POPUP | WS_VISIBLE);
  Pump();
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 20;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c.right, 183) << "the frame was recalculated";
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sizeof(SCROLLBARINFO), 60u);
  EXPECT_EQ(sbi.rcScrollBar, (RECT{183, 0, 200, 200}));
  EXPECT_EQ(sbi.dxyLineButton, 17);
  EXPECT_EQ(sbi.xyThumbTop, 17);
  EXPECT_EQ(sbi.xyThumbBottom, 17 + MulDiv(166, 20, 100));
  EXPECT_EQ(sbi.rgstate[0], 0u);

  // Everything fits: hidden; with SIF_DISABLENOSCROLL: shown but unavailable.
  si.nPage = 100;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL);
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL);
  ASSERT_TRUE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
  EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_FALSE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  EXPECT_EQ(sbi.xyThumbTop, sbi.xyThumbBottom) << "no thumb on a disabled bar";

  // With redraw the frame is invalidated, not drawn: nothing paints until the loop runs.
  Pump();
  Log().clear();
  si.fMask = SIF_POS;
  si.nPos = 3;
  SetScrollInfo(h, SB_VERT, &si, TRUE);
  EXPECT_EQ(CountOf(h, WM_NCPAINT), 0u);
  RECT u;
  EXPECT_FALSE(GetUpdateRect(h, &u, FALSE)) << "the client area stays valid";
  Pump();
  EXPECT_EQ(CountOf(h, WM_NCPAINT), 1u);

  EXPECT_FALSE(GetScrollBarInfo(h, -4, &sbi));
  sbi.cbSize = 40;
  EXPECT_FALSE(GetScrollBarInfo(h, OBJID_VSCROLL, &sbi));
}

TEST_F(ScrollBarTest, ShowAndEnableScrollBar) {
  HWND h = TopLevel(Bounds(0, 0, 200, 100), WS_POPUP | WS_VISIBLE);
  ShowScrollBar(h, SB_BOTH, TRUE);
  RECT c;
  GetClientRect(h, &c);
  EXPECT_EQ(c, (RECT{0, 0, 183, 83}));
  EnableScrollBar(h, SB_HORZ, ESB_DISABLE_LTUP);
  SCROLLBARINFO sbi;
  GetScrollBarInfo(h, OBJID_HSCROLL, &sbi);
  EXPECT_TRUE(sbi.rgstate[1] & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_FALSE(sbi.rgstate[5] & STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(sbi.rcScrollBar, (RECT{0, 83, 183, 100}));
  ShowScrollBar(h, SB_VERT, FALSE);
  GetClientRect(h, &c);
  EXPECT_EQ(c, (RECT{0, 0, 200, 83}));
}

TEST_F(ScrollBarTest, ArrowsRepeatWhileHeldAndTheThumbTracks) {
  HWND h = TopLevel(Bounds(100, 100, 200, 200), WS_POPUP | WS_VISIBLE);
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 0;
  SetScrollInfo(h, SB_VERT, &si, FALSE);
  Pump();
  Log().clear();
  // Hold the down arrow for a second: one step at once, then repeats after the delay.
  backend->MoveTo(POINT{290, 295});
  backend->Press();
  backend->ScriptWait(1000);
  backend->Script([&] { backend->Release(); });
  Pump();
  std::vector<int> codes;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == WM_VSCROLL) codes.push_back(LOWORD(e.wParam));
  ASSERT_GE(codes.size(), 3u);
  EXPECT_EQ(codes.front(), SB_LINEDOWN);
  EXPECT_EQ(codes.back(), SB_ENDSCROLL);
  // 400 ms delay, then every 50 ms: 1 + 1 + (1000 - 400) / 50 steps at most.
  size_t lines = size_t(std::count(codes.begin(), codes.end(), SB_LINEDOWN));
  EXPECT_GE(lines, 10u);
  EXPECT_LE(lines, 14u);

  // Drag the thumb from the top of the track to the bottom.
  Log().clear();
  SCROLLBARINFO sbi;
  GetScrollBarInfo(h, OBJID_VSCROLL, &sbi);
  int thumbY = sbi.rcScrollBar.top + (sbi.xyThumbTop + sbi.xyThumbBottom) / 2;
  backend->VClock().Advance(1000);
  backend->MoveTo(POINT{290, thumbY});
  backend->Press();
  backend->Script([&] { backend->MoveTo(POINT{290, thumbY + 60}); });
  backend->Script([&] { backend->MoveTo(POINT{290, 2000}); });
  backend->Script([&] { backend->Release(); });
  Pump();
  std::vector<std::pair<int, int>> track;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == WM_VSCROLL) track.push_back({LOWORD(e.wParam), int16_t(HIWORD(e.wParam))});
  ASSERT_EQ(track.size(), 4u);
  EXPECT_EQ(track[0].first, SB_THUMBTRACK);
  EXPECT_GT(track[0].second, 0);
  EXPECT_EQ(track[1], (std::pair<int, int>{SB_THUMBTRACK, 90}));
  EXPECT_EQ(track[2], (std::pair<int, int>{SB_THUMBPOSITION, 90}));
  EXPECT_EQ(track[3].first, SB_ENDSCROLL);
  si.fMask = SIF_TRACKPOS;
  GetScrollInfo(h, SB_VERT, &si);
  EXPECT_EQ(si.nTrackPos, 90);
}

}  // namespace
}  // namespace wintest
