#pragma once
// Shared set-up for the window-system tests: a fresh headless screen per test and a window
// class whose procedure records the messages it is sent and lets a test answer them.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/backends/headless/HeadlessBackend.h"
#include "platform/windows/Windows.h"

namespace wintest {

using namespace win;

struct Entry {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message the recording class receives, in order.
inline std::vector<Entry>& Log() {
  static std::vector<Entry> log;
  return log;
}

// An answer for a message: return a value to answer it, or nothing to fall through to the
// default procedure.
using Answer = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
inline Answer& Answers() {
  static Answer answer;
  return answer;
}

inline LRESULT RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  Log().push_back({h, m, w, l});
  if (Answers())
    if (auto r = Answers()(h, m, w, l)) return *r;
  return DefWindowProcW(h, m, w, l);
}

inline const char16_t* kRecClass = u"QRecorder";
inline const char16_t* kRecDblClass = u"QRecorderDbl";

inline void EnsureClasses() {
  WNDCLASSEXW info;
  if (GetClassInfoExW(nullptr, kRecClass, &info)) return;
  WNDCLASSEXW wc;
  wc.lpfnWndProc = ProcToken(&RecordingProc);
  wc.lpszClassName = kRecClass;
  wc.cbWndExtra = 16;
  ASSERT_NE(RegisterClassExW(&wc), 0);
  wc.lpszClassName = kRecDblClass;
  wc.style = CS_DBLCLKS;
  ASSERT_NE(RegisterClassExW(&wc), 0);
}

// The messages of one window among a set, in order.
inline std::vector<UINT> MessagesOf(HWND h, const std::vector<UINT>& only = {}) {
  std::vector<UINT> out;
  for (const Entry& e : Log())
    if (e.hwnd == h && (only.empty() || std::find(only.begin(), only.end(), e.msg) != only.end()))
      out.push_back(e.msg);
  return out;
}

inline size_t CountOf(HWND h, UINT msg) {
  size_t n = 0;
  for (const Entry& e : Log())
    if (e.hwnd == h && e.msg == msg) ++n;
  return n;
}

inline const Entry* LastOf(HWND h, UINT msg) {
  for (auto it = Log().rbegin(); it != Log().rend(); ++it)
    if (it->hwnd == h && it->msg == msg) return &*it;
  return nullptr;
}

// Dispatches everything queued (without waiting).
inline void Pump() { ProcessPendingMessages(); }

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    backend = &InstallHeadlessBackend();
    EnsureClasses();
    Log().clear();
    Answers() = nullptr;
  }
  void TearDown() override {
    Answers() = nullptr;
    InstallBackend(nullptr);
    Log().clear();
  }

  HWND TopLevel(RECT bounds, DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                DWORD exStyle = 0, HWND owner = nullptr, const char16_t* cls = kRecClass) {
    return CreateWindowExW(exStyle, cls, u"top", style, bounds.left, bounds.top, bounds.Width(),
                           bounds.Height(), owner, nullptr, nullptr, nullptr);
  }
  HWND Child(HWND parent, RECT bounds, DWORD style = WS_VISIBLE, int id = 0, DWORD exStyle = 0,
             const char16_t* cls = kRecClass) {
    return CreateWindowExW(exStyle, cls, u"child", WS_CHILD | style, bounds.left, bounds.top,
                           bounds.Width(), bounds.Height(), parent,
                           reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  }

  HeadlessBackend* backend = nullptr;
};

}  // namespace wintest
