// Quillet's entry point. Until the editor exists it opens the platform demo.

#include <cstdio>

#include "app/Demo.h"
#include "platform/backends/x11/X11Backend.h"
#include "platform/base/Errors.h"

int main() {
  try {
    win::RegisterX11Backend();
    std::unique_ptr<win::Backend> backend = win::CreateBackend("x11");
    demo::Demo demo(*backend);
    return demo.Run();
  } catch (const Exception& e) {
    std::fprintf(stderr, "quillet: %s\n", e.what());
    return 1;
  }
}
