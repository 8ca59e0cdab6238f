#pragma once
// The drawing layer in one include: objects and handles, device contexts, regions.

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DeviceContext.h"
#include "platform/graphics/Drawing.h"
#include "platform/graphics/GdiObjects.h"
#include "platform/graphics/Icons.h"
#include "platform/graphics/Region.h"
