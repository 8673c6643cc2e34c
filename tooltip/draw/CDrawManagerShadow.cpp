// Shadows of the draw manager: the soft shadow by running window sums over bands of rows, the
// hard one by the mask alone.

#include "tooltip/draw/CDrawManager.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tooltip {

using gfx::CBitmap;
using gfx::CDc;
using gfx::ColorRef;
using gfx::Pixel;

namespace {

constexpr ColorRef kWhite = gfx::Rgb(255, 255, 255);
constexpr ColorRef kBlack = gfx::Rgb(0, 0, 0);
// Larger blur windows are cut to this; the area itself is never that large.
constexpr int kMaxDepth = 8191;

int OddDepth(int depth) {
    depth = std::clamp(depth, 1, kMaxDepth);
    return depth % 2 == 0 ? depth + 1 : depth;
}

// Sums of the blue bytes over a window of 2 * rx + 1 pixels centred on each pixel of one row;
// positions outside the row count 255.
void RowWindowSums(const Pixel* row, int width, int rx, std::int32_t* sums) {
    auto value = [&](int i) { return i >= 0 && i < width ? gfx::PixelBlue(row[i]) : 255; };
    std::int32_t sum = 255 * rx; // the positions left of the row
    for (int i = 0; i <= rx; ++i) {
        sum += value(i);
    }
    // Where both the entering and the leaving position lie inside the row, no bound is tested.
    const int inside = std::max(0, std::min(width, width - rx - 1));
    int x = 0;
    for (; x < std::min(rx, inside); ++x) {
        sums[x] = sum;
        sum += gfx::PixelBlue(row[x + rx + 1]) - 255;
    }
    for (; x < inside; ++x) {
        sums[x] = sum;
        sum += gfx::PixelBlue(row[x + rx + 1]) - gfx::PixelBlue(row[x - rx]);
    }
    for (; x < width; ++x) {
        sums[x] = sum;
        sum += value(x + rx + 1) - value(x - rx);
    }
}

// Rows of the shadow's area and mask, a band at a time: a band is made (or, for the area, read
// and later written back) when its first row is asked for. Rows are asked for in order.
class BandedRows {
public:
    BandedRows(const CBitmap& section, int rowsPerBand)
        : m_bits(section.Bits()), m_width(section.PixelWidth()), m_rowsPerBand(rowsPerBand) {}
    template <typename Load>
    Pixel* Row(int row, Load&& load) {
        const int band = row / m_rowsPerBand;
        if (band != m_band) {
            m_band = band;
            load(band);
        }
        return m_bits + static_cast<std::size_t>(row % m_rowsPerBand) * m_width;
    }

private:
    Pixel* m_bits;
    int m_width;
    int m_rowsPerBand;
    int m_band = -1;
};

// Darkens every pixel by the mean of the mask over its window: the column sums hold, for each
// column, the row sums over the rows of the current pixel's window, and slide down one row after
// each row is darkened (darkening and sliding in one sweep, so each sum is read once). Row sums
// live in a ring of the rows the window spans, made from the mask as the window reaches them.
// Rows above and below the area count `outside`. A sum of `full` leaves a pixel as it is.
// Shadows fall mostly on even ground under an even mask, so the last result is reused while the
// pixel and its sum repeat; the result is the same as computing it afresh.
template <typename Sum, typename MaskRow, typename AreaRow>
void DarkenByWindows(int width, int height, int rx, int ry, std::int32_t outside, std::int64_t full,
                     std::vector<std::int32_t>& ringStore, std::vector<Sum>& columnStore,
                     std::vector<std::int32_t>& outsideStore, MaskRow&& maskRow,
                     AreaRow&& areaRow) {
    const int ringRows = std::min(height, 2 * ry + 2);
    ringStore.resize(static_cast<std::size_t>(ringRows) * width);
    outsideStore.assign(static_cast<std::size_t>(width), outside);
    auto slot = [&](int row) {
        return ringStore.data() + static_cast<std::size_t>(row % ringRows) * width;
    };
    auto rowAt = [&](int row) -> const std::int32_t* {
        return row >= 0 && row < height ? slot(row) : outsideStore.data();
    };
    auto make = [&](int row) {
        if (row >= 0 && row < height) {
            RowWindowSums(maskRow(row), width, rx, slot(row));
        }
    };
    // The window of the first row: rows -ry .. ry.
    columnStore.assign(static_cast<std::size_t>(width), 0);
    Sum* const columns = columnStore.data();
    for (int row = -ry; row <= ry; ++row) {
        make(row);
        const std::int32_t* line = rowAt(row);
        for (int column = 0; column < width; ++column) {
            columns[column] += line[column];
        }
    }
    for (int row = 0; row < height; ++row) {
        Pixel* pixels = areaRow(row);
        make(row + ry + 1);
        const std::int32_t* entering = rowAt(row + ry + 1);
        const std::int32_t* leaving = rowAt(row - ry);
        Sum lastSum = -1;
        Pixel lastIn = 0;
        Pixel lastOut = 0;
        for (int column = 0; column < width; ++column) {
            const Sum sum = columns[column];
            columns[column] = sum + entering[column] - leaving[column];
            if (sum >= full) {
                continue;
            }
            const Pixel in = pixels[column];
            if (sum != lastSum || in != lastIn) {
                lastSum = sum;
                lastIn = in;
                lastOut = CDrawManager::DarkenPixel(in, sum, full);
            }
            pixels[column] = lastOut;
        }
    }
}

// White around the mask shrunk into the area by the depths, for the band from logical row top.
void WhiteAroundInner(CDc& maskDc, int width, int height, int bx, int by, int top) {
    const gfx::Rect inner{bx / 2, by / 2, bx / 2 + width - bx, by / 2 + height - by};
    if (inner.left < inner.right && inner.top < inner.bottom) {
        maskDc.FillSolidRect({0, -top, width, inner.top - top}, kWhite);
        maskDc.FillSolidRect({0, inner.bottom - top, width, height - top}, kWhite);
        maskDc.FillSolidRect({0, inner.top - top, inner.left, inner.bottom - top}, kWhite);
        maskDc.FillSolidRect({inner.right, inner.top - top, width, inner.bottom - top}, kWhite);
    } else {
        maskDc.FillSolidRect({0, -top, width, height - top}, kWhite);
    }
}

} // namespace

CBitmap& CDrawManager::ScratchSection(CBitmap& slot, int width, int height, double ratio) {
    if (!slot || slot.Width() != width || slot.Height() != height ||
        slot.DevicePixelRatio() != ratio) {
        slot = CBitmap::Create(width, height, ratio);
    }
    return slot;
}

void CDrawManager::CastShadow(CDc& dc, int x, int y, int width, int height, const CBitmap& mask,
                              bool soft, int depthX, int depthY) {
    CastShadowThrough(dc, x, y, width, height, mask, mask.GetSize(), nullptr, soft, depthX, depthY);
}

// The mask and the area are worked on in bands of rows, so the shadow's memory grows with its
// width and its depth, not its area. Only where the device pixel ratio is not whole does one band
// cover everything: there a band's edge need not fall on a device row.
void CDrawManager::CastShadowThrough(CDc& dc, int x, int y, int width, int height,
                                     const CBitmap& mask, gfx::Size maskSize, const ShadowKey* key,
                                     bool soft, int depthX, int depthY) {
    if (width <= 0 || height <= 0 || !mask) {
        return;
    }
    constexpr int kBandRows = 128;
    const double ratio = dc.DevicePixelRatio();
    const int band = ratio == std::floor(ratio) ? std::min(height, kBandRows) : height;
    const CBitmap& maskSection = ScratchSection(m_shadowScratch.mask, width, band, ratio);
    const CBitmap& areaSection = ScratchSection(m_shadowScratch.area, width, band, ratio);
    if (!maskSection || !areaSection) {
        return;
    }
    CDc maskDc(maskSection);
    CDc areaDc(areaSection);
    const CDc maskSource(mask);
    const int bx = OddDepth(depthX);
    const int by = OddDepth(depthY);
    auto makeMask = [&](int index) {
        const int top = index * band;
        if (soft) {
            maskDc.StretchBlt(bx / 2, by / 2 - top, width - bx, height - by, maskSource, 0, 0,
                              maskSize.cx, maskSize.cy);
        } else {
            if (maskSize.cx < width || maskSize.cy < height) {
                maskDc.FillSolidRect({0, 0, width, band}, kBlack); // as a fresh section would be
            }
            maskDc.BitBlt(0, -top, std::min(width, maskSize.cx), std::min(height, maskSize.cy),
                          maskSource, 0, 0);
        }
        if (key != nullptr) {
            // The picture's own pixels became the mask's: each turns white or the shade. Pixels
            // outside the copied part are overwritten below (soft) or were never keyed (hard).
            Pixel* bits = maskSection.Bits();
            const std::size_t count =
                static_cast<std::size_t>(maskSection.PixelWidth()) * maskSection.PixelHeight();
            const Pixel white = gfx::PixelFromColor(kWhite);
            for (std::size_t i = 0; i < count; ++i) {
                bits[i] = key->useKey && bits[i] == key->key ? white : key->shade;
            }
        }
        if (soft) {
            WhiteAroundInner(maskDc, width, height, bx, by, top);
        }
    };
    auto loadArea = [&](int index) {
        if (index > 0) {
            const int previous = (index - 1) * band;
            dc.BitBlt(x, y + previous, width, std::min(band, height - previous), areaDc, 0, 0);
        }
        const int top = index * band;
        areaDc.BitBlt(0, 0, width, std::min(band, height - top), dc, x, y + top);
    };
    BandedRows maskRows(maskSection, maskSection.PixelHeight());
    BandedRows areaRows(areaSection, areaSection.PixelHeight());
    auto maskRow = [&](int row) -> const Pixel* { return maskRows.Row(row, makeMask); };
    auto areaRow = [&](int row) { return areaRows.Row(row, loadArea); };
    const int pixelWidth = areaSection.PixelWidth();
    const int pixelHeight = static_cast<int>(std::ceil(height * ratio));
    if (soft) {
        const int bxDevice = OddDepth(std::lround(bx * ratio));
        const int byDevice = OddDepth(std::lround(by * ratio));
        const std::int32_t outsideRow = 255 * bxDevice; // a row above or below the area
        const std::int64_t full = 255LL * bxDevice * byDevice;
        ShadowScratch& s = m_shadowScratch;
        // Narrow sums halve the memory the sweep reads wherever the depths allow them.
        if (full <= INT32_MAX) {
            DarkenByWindows(pixelWidth, pixelHeight, bxDevice / 2, byDevice / 2, outsideRow, full,
                            s.rowSums, s.narrowColumnSums, s.outsideRow, maskRow, areaRow);
        } else {
            DarkenByWindows(pixelWidth, pixelHeight, bxDevice / 2, byDevice / 2, outsideRow, full,
                            s.rowSums, s.columnSums, s.outsideRow, maskRow, areaRow);
        }
    } else {
        for (int row = 0; row < pixelHeight; ++row) {
            const Pixel* factors = maskRow(row);
            Pixel* pixels = areaRow(row);
            for (int column = 0; column < pixelWidth; ++column) {
                pixels[column] = DarkenPixel(pixels[column], gfx::PixelBlue(factors[column]), 255);
            }
        }
    }
    const int last = (pixelHeight - 1) / areaSection.PixelHeight() * band;
    dc.BitBlt(x, y + last, width, std::min(band, height - last), areaDc, 0, 0);
}

} // namespace tooltip
