#pragma once
// Paints the demo window into its surface with the drawing layer.

#include "app/DemoScene.h"
#include "platform/graphics/Bitmap.h"

namespace demo {

void PaintScene(win::Bitmap& surface, const Scene& scene);

}  // namespace demo
