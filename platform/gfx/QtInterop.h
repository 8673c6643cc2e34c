#pragma once
// Conversions between the drawing layer and Qt, for the code that shows or stores pictures (the
// application's windows, the command-line front end). The tooltip engine does not use them.

#include "gfx/CBitmap.h"
#include "gfx/CRegion.h"

#include <QImage>
#include <QRegion>

#include <cstddef>
#include <string>

namespace gfx {

// A deep copy of the bitmap's pixels with its device pixel ratio; opaque (alpha bytes ignored)
// unless keepAlpha is set.
QImage ToQImage(const CBitmap& bitmap, bool keepAlpha = false);
// A section holding the image's pixels (device pixel ratio kept). An image without an alpha
// channel gives zero alpha bytes.
CBitmap FromQImage(const QImage& image);
QRegion ToQRegion(const CRegion& region);
// Reads a picture file (or a resource path), refusing one whose decoded pixels would take more
// than maxBytes (0: no bound beyond Qt's own) before anything is decoded. Null when unreadable.
QImage ReadPictureFile(const std::string& path, std::size_t maxBytes, QSize scaledSize = {});

} // namespace gfx
