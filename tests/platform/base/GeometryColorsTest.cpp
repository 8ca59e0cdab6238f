#include <gtest/gtest.h>

#include <cstdint>

#include "platform/base/Clock.h"
#include "platform/base/Colors.h"
#include "platform/base/Geometry.h"

namespace {

using namespace win;

TEST(Rects, Helpers) {
  RECT a{0, 0, 10, 10}, b{5, 5, 20, 8}, r;
  EXPECT_TRUE(IntersectRect(&r, &a, &b));
  EXPECT_EQ(r, (RECT{5, 5, 10, 8}));
  RECT far{30, 30, 40, 40};
  EXPECT_FALSE(IntersectRect(&r, &a, &far));
  EXPECT_EQ(r, RECT{});
  EXPECT_TRUE(UnionRect(&r, &a, &b));
  EXPECT_EQ(r, (RECT{0, 0, 20, 10}));
  RECT empty{3, 3, 3, 9};
  EXPECT_TRUE(UnionRect(&r, &empty, &b));
  EXPECT_EQ(r, b);
  EXPECT_TRUE(PtInRect(&a, POINT{0, 9}));
  EXPECT_FALSE(PtInRect(&a, POINT{10, 0}));  // right edge exclusive
  InflateRect(&a, -5, -5);
  EXPECT_TRUE(IsRectEmpty(&a));
  RECT s{0, 0, 10, 10}, cut{0, 0, 4, 10};
  EXPECT_TRUE(SubtractRect(&r, &s, &cut));
  EXPECT_EQ(r, (RECT{4, 0, 10, 10}));

  // Sides pushed past the ends of the range stop there.
  const int32_t lo = INT32_MIN, hi = INT32_MAX;
  struct Move {
    bool inflate;
    RECT from;
    int32_t dx, dy;
    RECT to;
  };
  const Move moves[] = {
      {false, {hi - 4, 0, hi - 2, 3}, 3, lo, {hi - 1, lo, hi, lo + 3}},
      {false, {lo, lo, hi, hi}, lo, hi, {lo, -1, -1, hi}},
      {true, {lo + 1, -1, hi - 1, 1}, 5, lo, {lo, hi, hi, lo + 1}},
      {true, {0, 0, 10, 10}, 2, 3, {-2, -3, 12, 13}},
  };
  for (const Move& m : moves) {
    RECT q = m.from;
    EXPECT_TRUE(m.inflate ? InflateRect(&q, m.dx, m.dy) : OffsetRect(&q, m.dx, m.dy));
    EXPECT_EQ(q, m.to) << m.inflate << " " << m.dx << " " << m.dy;
  }
}

TEST(Colors, SystemColoursResolve) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(clWindowText), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_LT(clHighlight, 0);
  EXPECT_EQ(ColorToRGB(0x12345678), 0x345678u);
  EXPECT_EQ(ColorToRGB(clFuchsia), 0xFF00FFu);
  EXPECT_EQ(GetRValue(RGB(1, 2, 3)), 1);
  EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

TEST(Clocks, VirtualClockOnlyMovesWhenTold) {
  VirtualClock clock;
  SetCurrentClock(&clock);
  EXPECT_EQ(CurrentClock().NowMs(), 0u);
  CurrentClock().SleepMs(250);
  clock.AdvanceTo(100);  // never backward
  EXPECT_EQ(CurrentClock().NowMs(), 250u);
  SetCurrentClock(nullptr);
  uint64_t a = CurrentClock().NowMs();
  CurrentClock().SleepMs(5);
  EXPECT_GE(CurrentClock().NowMs(), a + 5);
}

}  // namespace
