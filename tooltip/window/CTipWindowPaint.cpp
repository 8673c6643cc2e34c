// The tip window's show and paint: measure, place, shape, background, and the composition of every
// paint from the pieces a show made.

#include "tooltip/window/CTipWindow.h"

#include "tooltip/window/TipShape.h"

namespace tooltip {

void CTipWindow::ReleaseShowState() {
    m_tipRegion = {};
    m_background = {};
    m_screen = {};
    m_shadowed = {};
    m_content = {};
}

void CTipWindow::ShowPendingTool(gfx::Point point) {
    if (m_pendingText.empty() || !m_window) {
        return;
    }
    gfx::CDc* dc = m_windows.GetDc(m_window);
    if (dc == nullptr) {
        return;
    }
    const bool laidOut = LayOutTip(*dc, point);
    m_windows.ReleaseDc(m_window);
    if (!laidOut) {
        ReleaseShowState();
        return;
    }
    // The anchor's point lies on the cursor; the window grows by the shadow to the right and down
    // and its shape takes in the shadow's copy of the tip.
    const gfx::Point origin{point.x - m_placement.anchor.x, point.y - m_placement.anchor.y};
    gfx::CRegion shape = m_tipRegion;
    gfx::CRegion shadow = m_tipRegion;
    shadow.Offset(m_settings.shadowOffsetX, m_settings.shadowOffsetY);
    shape = shape.United(shadow);
    m_windowRect = {0, 0, m_placement.window.cx + m_settings.shadowOffsetX,
                    m_placement.window.cy + m_settings.shadowOffsetY};
    m_windows.ShowPopup(
        m_window,
        {origin.x, origin.y, origin.x + m_windowRect.right, origin.y + m_windowRect.bottom}, shape);
}

bool CTipWindow::LayOutTip(gfx::CDc& dc, gfx::Point point) {
    const HtmlSize text = m_drawer.PrepareOutput(dc, m_pendingText);
    // A text of tags only has nothing to show: no empty balloon.
    if (text.cx <= 0 && text.cy <= 0) {
        return false;
    }
    m_textRect = {m_settings.marginX, m_settings.marginY, m_settings.marginX + text.cx,
                  m_settings.marginY + text.cy};
    m_bodyRect = {0, 0, text.cx + 2 * m_settings.marginX, text.cy + 2 * m_settings.marginY};
    m_placement = PlaceTip(point, m_settings.startDirection,
                           {m_bodyRect.Width(), m_bodyRect.Height()}, VirtualScreen(), m_settings);
    if (IsBelow(m_placement.direction)) {
        m_textRect.top += m_settings.anchorHeight;
        m_textRect.bottom += m_settings.anchorHeight;
        m_bodyRect.top += m_settings.anchorHeight;
        m_bodyRect.bottom += m_settings.anchorHeight;
    }
    ReleaseShowState();
    m_tipRegion = BuildTipRegion(m_placement, m_settings);
    m_background = BuildTipBackground(dc, m_placement, m_settings, m_backgroundColour);
    m_windowRect = {0, 0, m_placement.window.cx, m_placement.window.cy};
    // A tip too large for a bitmap (thousands of lines) would show as an unpainted window: the
    // pictures every paint needs are made now, and without them nothing shows.
    m_content = gfx::CBitmap::CreateCompatible(dc, m_placement.window.cx + m_settings.shadowOffsetX,
                                               m_placement.window.cy + m_settings.shadowOffsetY);
    return m_background && m_content;
}

void CTipWindow::OnPaint(gfx::CDc& dc) {
    m_currentTool = m_pendingTool;
    DrawTip(dc);
}

void CTipWindow::DrawTipNow() {
    if (!m_window || !m_windows.IsVisible(m_window)) {
        return;
    }
    if (gfx::CDc* dc = m_windows.GetDc(m_window)) {
        DrawTip(*dc);
        m_windows.ReleaseDc(m_window);
    }
}

void CTipWindow::DrawTip(gfx::CDc& dc) {
    if (!m_background) {
        return;
    }
    const gfx::Size window{m_windowRect.Width(), m_windowRect.Height()};
    const gfx::Size tip = m_placement.window;
    if (!m_content) {
        m_content = gfx::CBitmap::CreateCompatible(dc, window.cx, window.cy);
        if (!m_content) {
            return;
        }
    }
    {
        gfx::CDc content(m_content);
        content.BitBlt(0, 0, tip.cx, tip.cy, gfx::CDc(m_background), 0, 0);
        m_drawer.DrawPreparedOutput(
            content, {m_textRect.left, m_textRect.top, m_textRect.right, m_textRect.bottom});
        if (!m_borderBrush.IsNull() && m_settings.frameWidth > 0 && m_settings.frameHeight > 0) {
            OnDrawBorder(content, m_tipRegion);
        }
    }
    TipComposition parts;
    parts.content = m_content;
    parts.translucent = m_windows.ComposesTranslucency(m_window);
    // What the window showed at its first paint is the screen under it: the window has no
    // background of its own and has drawn nothing yet.
    if (!parts.translucent && !m_screen) {
        m_screen = gfx::CBitmap::CreateCompatible(dc, window.cx, window.cy);
        if (m_screen) {
            gfx::CDc(m_screen).BitBlt(0, 0, window.cx, window.cy, dc, 0, 0);
        }
    }
    parts.beneath = m_screen;
    parts.region = m_tipRegion;
    parts.tip = tip;
    parts.window = window;
    if (!m_shadowed) {
        m_shadowed = CastTipShadow(m_drawer.GetDrawManager(), parts, m_settings);
    }
    // Composed in memory (the popup's pixels are a store of its own, put on the screen at once).
    PutTipContent(dc, m_shadowed, parts);
}

void CTipWindow::OnDrawBorder(gfx::CDc& dc, const gfx::CRegion& region) {
    dc.FrameRegion(region, m_borderBrush, m_settings.frameWidth, m_settings.frameHeight);
}

} // namespace tooltip
