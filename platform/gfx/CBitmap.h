#pragma once
// A bitmap: a handle to a 32-bit surface (bytes blue, green, red, alpha per pixel) with direct
// access to its pixels. Copies of a handle share the pixels, as the platform's bitmap handles do;
// Clone makes an independent copy. The pixels are released with the last handle.

#include "gfx/GfxTypes.h"

#include <cstddef>
#include <memory>
#include <string>

namespace gfx {

class CBitmap;
class CDc;

namespace detail {
struct Surface;
// Internal to the drawing layer: the store behind a handle, and a handle over a store.
Surface* SurfaceOf(const CBitmap& bitmap);
CBitmap MakeBitmap(std::shared_ptr<Surface> surface);
} // namespace detail

class CBitmap {
public:
    CBitmap() = default;

    // A section of width x height logical pixels, every byte zero. With a device pixel ratio above
    // 1 the pixel store is that much larger. Null for a non-positive or oversized request.
    [[nodiscard]] static CBitmap Create(int width, int height, double devicePixelRatio = 1.0);
    // A bitmap that can be selected into the same kind of context as dc: same device pixel ratio.
    [[nodiscard]] static CBitmap CreateCompatible(const CDc& dc, int width, int height);
    // Reads a picture file (BMP, PNG, ...) at its own size. Pictures without an alpha channel get
    // zero alpha bytes, like sections read from the platform's bitmap files. Null when unreadable,
    // or when maxBytes is not 0 and the decoded picture would take more than that.
    [[nodiscard]] static CBitmap LoadFile(const std::string& path, std::size_t maxBytes = 0);

    bool IsNull() const { return m_surface == nullptr; }
    explicit operator bool() const { return m_surface != nullptr; }
    bool SameAs(const CBitmap& other) const { return m_surface == other.m_surface; }

    int Width() const;  // logical pixels
    int Height() const; // logical pixels
    Size GetSize() const { return {Width(), Height()}; }
    int PixelWidth() const;  // device pixels, also the number of pixels per row of Bits()
    int PixelHeight() const; // device pixels
    double DevicePixelRatio() const;

    // The pixels, rows from the top; null for a null bitmap. The handle does not guard the pixels:
    // like a section's bits they change when something draws into the bitmap.
    Pixel* Bits() const;
    Pixel GetPixel(int x, int y) const; // device pixel; 0 outside
    void SetPixel(int x, int y, Pixel value) const;

    [[nodiscard]] CBitmap Clone() const;
    // Writes the bitmap as a PNG file, colours opaque unless keepAlpha is set.
    [[nodiscard]] bool SavePng(const std::string& path, bool keepAlpha = false) const;

private:
    explicit CBitmap(std::shared_ptr<detail::Surface> surface) : m_surface(std::move(surface)) {}

    std::shared_ptr<detail::Surface> m_surface;

    friend detail::Surface* detail::SurfaceOf(const CBitmap& bitmap);
    friend CBitmap detail::MakeBitmap(std::shared_ptr<detail::Surface> surface);
};

} // namespace gfx
