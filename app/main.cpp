// Quillet's entry point. Until the editor exists it opens the platform demo.

#include <cstdio>
#include <cstdlib>

#include "app/Demo.h"
#include "platform/backends/x11/X11Backend.h"
#include "platform/base/Errors.h"

int main() {
  try {
    win::RegisterX11Backend();
    if (!win::IsBackendRegistered(win::SelectedBackendName())) {
      std::fprintf(stderr, "quillet: no X display to show the window on (DISPLAY is not set)\n");
      return 1;
    }
    demo::Demo demo;
    return demo.Run();
  } catch (const Exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return 1;
  }
}
