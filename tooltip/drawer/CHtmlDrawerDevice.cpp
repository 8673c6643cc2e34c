// The drawer's use of the device context: the pass font and colours, extents, justification and
// text output. Fonts are kept for the drawer's life, keyed by their logical record, so a tip
// repainted on every hover change does not realise its fonts again.

#include "tooltip/drawer/CHtmlDrawer.h"

#include "gfx/CPen.h"

#include "tooltip/drawer/HtmlPassDevice.h"

namespace tooltip {

void CHtmlDrawer::BeginPassDevice() {
    if (!m_device) {
        m_device = std::make_unique<PassDevice>();
    }
    PassDevice& device = *m_device;
    device.font = gfx::CFont();
    device.previousFont = m_dc->Font();
    device.previousBkMode = m_dc->GetBkMode();
    device.previousTextColour = m_dc->TextColor();
    device.previousBkColour = m_dc->BkColor();
    SelectStyleFont();
}

void CHtmlDrawer::EndPassDevice() {
    PassDevice& device = *m_device;
    // The pass's justification must not leak into the caller's later text.
    m_dc->SetTextJustification(0, 0);
    m_dc->SetBkMode(device.previousBkMode);
    m_dc->SetBkColor(device.previousBkColour);
    m_dc->SetTextColor(device.previousTextColour);
    static_cast<void>(m_dc->SelectFont(device.previousFont));
    device.previousFont = gfx::CFont();
    device.font = gfx::CFont();
}

void CHtmlDrawer::SelectStyleFont() {
    PassDevice& device = *m_device;
    if (device.Holds(m_style)) {
        ApplyStyleColours();
        return;
    }
    PassDevice::FontKey key{m_style.face.str(), m_style.size,      m_style.weight,
                            m_style.italic,     m_style.underline, m_style.strikeout};
    auto it = device.cache.find(key);
    if (it == device.cache.end()) {
        gfx::LogFont logical;
        logical.height = m_style.size;
        logical.weight = m_style.weight;
        logical.italic = static_cast<std::uint8_t>(m_style.italic != 0);
        logical.underline = static_cast<std::uint8_t>(m_style.underline != 0);
        logical.strikeOut = static_cast<std::uint8_t>(m_style.strikeout != 0);
        logical.charSet = 1;
        gfx::SetFaceName(logical, m_style.face);
        if (device.cache.size() >= PassDevice::kMaxCachedFonts) {
            device.cache.clear();
        }
        it = device.cache.emplace(std::move(key), gfx::CFont::Create(logical)).first;
    }
    if (!device.font.SameAs(it->second)) {
        device.font = it->second;
        device.fontKey = it->first;
        static_cast<void>(m_dc->SelectFont(device.font));
        const gfx::TextMetrics& metrics = device.font.Metrics();
        m_fontHeight = metrics.height;
        m_fontAscent = metrics.ascent;
    }
    ApplyStyleColours();
}

void CHtmlDrawer::ApplyStyleColours() {
    m_dc->SetBkMode(m_style.backgroundMode == BkModeOpaque ? gfx::BkMode::Opaque
                                                           : gfx::BkMode::Transparent);
    m_dc->SetTextColor(m_style.colour);
    m_dc->SetBkColor(m_style.backgroundColour);
}

HtmlSize CHtmlDrawer::TextExtent(std::string_view text, int limit) {
    return {m_dc->GetTextExtent(text, limit).cx, m_fontHeight};
}

void CHtmlDrawer::SetJustification(int extra, int count) {
    if (m_dc != nullptr) {
        m_dc->SetTextJustification(extra, count);
    }
}

void CHtmlDrawer::TextOut(int x, int y, std::string_view text) {
    m_dc->TextOut(x, y, text);
    if (m_services.textObserver != nullptr) {
        m_services.textObserver->OnTextOut(x, y, text, m_style);
    }
}

void CHtmlDrawer::DrawOverline(int x0, int x1, int y) {
    const gfx::CPen previous = m_dc->SelectPen(
        gfx::CPen(gfx::PenStyle::Solid, m_style.weight >= 700 ? 2 : 1, m_style.colour));
    static_cast<void>(m_dc->MoveTo(x0, y));
    m_dc->LineTo(x1, y);
    static_cast<void>(m_dc->SelectPen(previous));
}

void CHtmlDrawer::DrawRule(int x0, int x1, int y, int thickness, HtmlColour colour) {
    m_drawManager.DrawLineSegment(*m_dc, gfx::Point{x0, y}, gfx::Point{x1, y}, thickness, colour);
}

int CHtmlDrawer::PixelsPerInch() const {
    return m_dc != nullptr ? m_dc->LogPixelsY() : gfx::kLogPixelsPerInch;
}

} // namespace tooltip
