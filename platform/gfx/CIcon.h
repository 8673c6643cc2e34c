#pragma once
// An icon: a colour bitmap, a mask bitmap and a hot spot. The mask is white where the icon is
// transparent and black where it is opaque; the colour bitmap is black where the icon is
// transparent. Copies of the handle share one icon; Copy makes a new one.

#include "gfx/CBitmap.h"
#include "gfx/GfxTypes.h"

#include <cstddef>
#include <memory>
#include <string>

namespace gfx {

struct IconInfo {
    CBitmap color;
    CBitmap mask;
    Point hotSpot;
};

class CIcon {
public:
    CIcon() = default;

    // Builds an icon from copies of the two bitmaps; null without a mask or colour bitmap.
    [[nodiscard]] static CIcon Create(const CBitmap& color, const CBitmap& mask, Point hotSpot);
    // An icon from a picture with an alpha channel (fully transparent pixels become the mask), the
    // hot spot at its centre.
    [[nodiscard]] static CIcon FromBitmap(const CBitmap& picture);
    // Reads an icon or picture file, scaled to width x height when both are positive; null when
    // unreadable, or when maxBytes is not 0 and the decoded picture would take more than that.
    [[nodiscard]] static CIcon LoadFile(const std::string& path, int width, int height,
                                        std::size_t maxBytes = 0);

    bool IsNull() const { return m_data == nullptr; }
    explicit operator bool() const { return m_data != nullptr; }

    // Copies of the icon's bitmaps (released by the caller, which here means dropped) and hot spot;
    // false for a null icon.
    [[nodiscard]] bool GetInfo(IconInfo& info) const;
    [[nodiscard]] CIcon Copy() const;
    // The icon's own bitmaps, shared, not copied: for reading and drawing from, never into.
    // Null bitmaps for a null icon.
    const CBitmap& Color() const;
    const CBitmap& Mask() const;
    Point HotSpot() const;

private:
    [[nodiscard]] static CIcon FromOwnPicture(CBitmap color);

    struct Data {
        CBitmap color;
        CBitmap mask;
        Point hotSpot;
    };
    std::shared_ptr<const Data> m_data;
};

} // namespace gfx
