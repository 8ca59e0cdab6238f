// Quillet's entry point. Until the editor exists it opens the platform demo.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Demo.h"
#include "platform/backends/x11/X11Backend.h"
#include "platform/base/Errors.h"

int main() {
  try {
    win::RegisterX11Backend();
    const std::string backend = win::SelectedBackendName();
    if (!win::IsBackendRegistered(backend)) {
      if (std::getenv("DISPLAY") == nullptr && std::getenv("QUILLET_BACKEND") == nullptr)
        std::fprintf(stderr, "quillet: no X display to show the window on (DISPLAY is not set)\n");
      else
        std::fprintf(stderr, "quillet: the window backend \"%s\" cannot show this program\n", backend.c_str());
      return 1;
    }
    demo::Demo demo;
    return demo.Run();
  } catch (const Exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return 1;
  }
}
