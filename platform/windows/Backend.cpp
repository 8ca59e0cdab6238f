#include "platform/windows/Backend.h"

#include <cstdlib>
#include <map>

#include "platform/base/Errors.h"

namespace win {

namespace {

std::map<std::string, BackendFactory, std::less<>>& Factories() {
  static std::map<std::string, BackendFactory, std::less<>> factories;
  return factories;
}

}  // namespace

void RegisterBackend(std::string name, BackendFactory factory) {
  Factories()[std::move(name)] = std::move(factory);
}

bool IsBackendRegistered(std::string_view name) {
  return Factories().find(name) != Factories().end();
}

std::string SelectedBackendName() {
  if (const char* chosen = std::getenv("QUILLET_BACKEND"); chosen && *chosen) return chosen;
  if (const char* display = std::getenv("DISPLAY"); display && *display) return "x11";
  return "headless";
}

std::unique_ptr<Backend> CreateBackend(std::string_view name) {
  auto it = Factories().find(name);
  if (it == Factories().end())
    throw Exception(u"Unknown window backend \"" + Utf8ToString(name) + u"\"");
  return it->second();
}

}  // namespace win
