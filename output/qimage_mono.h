#pragma once
// A QImage as the encoders' one-bit image.

#include "render/image_encoders.h"

class QImage;

// A black-and-white QImage (RenderSymbolImage's Format_Mono, or any format: each pixel counts
// as white when its grey level is at least 128, whatever the colour table says).
MonoImage MonoImageFromQImage(const QImage& image);
