#pragma once
// Window procedures as pointer-sized tokens. A token stands for a plain function or for a bound
// object method, so subclassing through SetWindowLongPtrW(GWLP_WNDPROC) and CallWindowProcW
// works the same for both, in chains of any depth, detached in any order.

#include <functional>

#include "platform/windows/WinDef.h"

namespace win {

struct WNDPROC__;
using WNDPROC = WNDPROC__*;

using WindowFunction = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using WindowMethod = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// The token of a plain function; the same function always gives the same token.
WNDPROC ProcToken(WindowFunction fn);
// A new token for a bound method; the owner frees it with FreeWndProc when it is done.
WNDPROC MakeWndProc(WindowMethod method);
// Frees a token made by MakeWndProc (plain-function tokens live for the whole run). Calling a
// freed token answers 0; freeing one while it runs is safe.
void FreeWndProc(WNDPROC proc);
bool IsWndProcAlive(WNDPROC proc);

// Calls the procedure behind a token; an unknown or freed token answers 0.
LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Owns a bound token and frees it on destruction.
class ScopedWndProc {
 public:
  ScopedWndProc() = default;
  explicit ScopedWndProc(WindowMethod method) : FProc(MakeWndProc(std::move(method))) {}
  ~ScopedWndProc() { FreeWndProc(FProc); }
  ScopedWndProc(const ScopedWndProc&) = delete;
  ScopedWndProc& operator=(const ScopedWndProc&) = delete;
  WNDPROC Get() const { return FProc; }

 private:
  WNDPROC FProc = nullptr;
};

}  // namespace win
