#pragma once
// QImages to and from the encoders' one-bit image.

#include "render/image_encoders.h"

class QImage;

// A black-and-white QImage (RenderSymbolImage's Format_Mono, or any format: each pixel counts
// as white when its grey level is at least 128, whatever the colour table says).
MonoImage MonoImageFromQImage(const QImage& image);

// The one-bit image as a Format_Mono QImage with index 0 black and 1 white; null when it has no
// pixels or cannot be allocated.
QImage QImageFromMonoImage(const MonoImage& image);
