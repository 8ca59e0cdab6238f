#include "platform/windows/WndProc.h"

#include <map>
#include <memory>
#include <unordered_map>

namespace win {

namespace {

struct ProcTable {
  std::unordered_map<uintptr_t, std::shared_ptr<WindowMethod>> entries;
  std::map<WindowFunction, uintptr_t> byFunction;
  // Tokens are never reused; they start far from small integers so that a stray id or atom is
  // never mistaken for one.
  uintptr_t next = 0x5F000000;
};

ProcTable& Table() {
  static ProcTable table;
  return table;
}

WNDPROC AddEntry(std::shared_ptr<WindowMethod> method) {
  ProcTable& t = Table();
  uintptr_t id = t.next;
  t.next += 0x10;
  t.entries.emplace(id, std::move(method));
  return reinterpret_cast<WNDPROC>(id);
}

}  // namespace

WNDPROC ProcToken(WindowFunction fn) {
  if (!fn) return nullptr;
  ProcTable& t = Table();
  if (auto it = t.byFunction.find(fn); it != t.byFunction.end())
    return reinterpret_cast<WNDPROC>(it->second);
  WNDPROC token = AddEntry(std::make_shared<WindowMethod>(fn));
  t.byFunction.emplace(fn, reinterpret_cast<uintptr_t>(token));
  return token;
}

WNDPROC MakeWndProc(WindowMethod method) {
  if (!method) return nullptr;
  return AddEntry(std::make_shared<WindowMethod>(std::move(method)));
}

void FreeWndProc(WNDPROC proc) {
  ProcTable& t = Table();
  uintptr_t id = reinterpret_cast<uintptr_t>(proc);
  auto it = t.entries.find(id);
  if (it == t.entries.end()) return;
  for (const auto& [fn, token] : t.byFunction)
    if (token == id) return;  // function tokens live for the whole run
  t.entries.erase(it);
}

bool IsWndProcAlive(WNDPROC proc) {
  return Table().entries.count(reinterpret_cast<uintptr_t>(proc)) != 0;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& entries = Table().entries;
  auto it = entries.find(reinterpret_cast<uintptr_t>(proc));
  if (it == entries.end()) return 0;
  // Held by value so that freeing the token inside the call leaves the callee alive.
  std::shared_ptr<WindowMethod> method = it->second;
  return (*method)(hwnd, msg, wParam, lParam);
}

}  // namespace win
