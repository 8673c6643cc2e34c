#pragma once
// A drawer with recording stand-ins for its services, and a pinned monospaced font so geometry
// can be computed from a character's width.

#include "gfx/CBitmap.h"
#include "gfx/CDc.h"
#include "tooltip/drawer/CHtmlDrawer.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tooltip::testing {

struct RecordingOpener : opener::ILinkOpener {
    bool Open(std::string_view target) override {
        opened.emplace_back(target);
        return true;
    }
    std::vector<std::string> opened;
};

struct RecordingCursor : IHtmlCursor {
    void SetHandCursor() override { ++handSet; }
    int handSet = 0;
};

struct RecordingWindow : IHtmlMessageTarget {
    void SendMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) override {
        messages.push_back({message, wParam, lParam});
    }
    struct Message {
        unsigned message;
        std::intptr_t wParam;
        std::intptr_t lParam;
    };
    std::vector<Message> messages;
};

struct Piece {
    int x;
    int y;
    std::string text;
    HtmlStyle style;
};

struct RecordingText : IHtmlTextObserver {
    void OnTextOut(int x, int y, std::string_view text, const HtmlStyle& style) override {
        pieces.push_back({x, y, std::string(text), style});
    }
    std::vector<Piece> pieces;
};

inline constexpr const char* kMono = "<font face='DejaVu Sans Mono'>";

class DrawerTest : public ::testing::Test {
protected:
    DrawerTest() : m_dc(gfx::CBitmap::Create(600, 400)) {
        m_drawer.SetHoverCallback(&m_window);
        gfx::LogFont logical;
        logical.height = 13;
        gfx::SetFaceName(logical, "DejaVu Sans Mono");
        m_monoFont = gfx::CFont::Create(logical);
    }

    HtmlSize Prepare(std::string_view text, int wrap = 0) {
        m_drawer.SetMaxWidth(wrap);
        m_size = m_drawer.PrepareOutput(m_dc, text);
        return m_size;
    }
    void Draw() {
        m_text.pieces.clear();
        m_drawer.DrawPreparedOutput(m_dc, HtmlRect{0, 0, m_size.cx, m_size.cy});
    }
    // Width of text in the pinned 13-pixel monospaced font.
    int Mono(std::string_view text) {
        const gfx::CFont previous = m_dc.SelectFont(m_monoFont);
        const int cx = m_dc.GetTextExtent(text).cx;
        static_cast<void>(m_dc.SelectFont(previous));
        return cx;
    }
    const gfx::TextMetrics& MonoMetrics() const { return m_monoFont.Metrics(); }

    RecordingOpener m_opener;
    RecordingCursor m_cursor;
    RecordingWindow m_window;
    RecordingText m_text;
    std::map<int, std::string> m_strings{{119, "Status"}};
    CHtmlDrawer m_drawer{
        HtmlDrawerServices{&m_opener, &m_cursor,
                           [this](int id) {
                               const auto it = m_strings.find(id);
                               return it == m_strings.end() ? std::string() : it->second;
                           },
                           [](syscolor::SysColour) -> HtmlColour { return 0x123456; }, &m_text}};
    gfx::CDc m_dc;
    gfx::CFont m_monoFont;
    HtmlSize m_size;
};

} // namespace tooltip::testing
