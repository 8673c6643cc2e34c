#pragma once
// A font made from a logical font record, and the metrics the layout needs of it.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace gfx {

inline constexpr int kFaceNameSize = 32; // 31 characters and a terminator

// The fields of the platform's logical font record. A positive height is the cell height in pixels
// (ascent plus descent), a negative one the character (em) height, 0 a default size. Weight runs
// from 1 to 1000 (400 normal, 700 bold; 0 means normal). Width, escapement, orientation and the
// precision fields are kept but do not change the font.
struct LogFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 1;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    char faceName[kFaceNameSize] = {};
};

// Copies at most 31 bytes of face into the record's face name, always terminated.
void SetFaceName(LogFont& font, std::string_view face);

struct TextMetrics {
    int height = 0; // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = 0;
};

namespace detail {
struct FontData;
}

// A handle to a realised font; copies share it. Fonts need the GUI application object of Qt (on
// the offscreen platform when there is no display). A face the system lacks is replaced by the
// closest installed face that the font configuration names (Verdana and MS Shell Dlg by a sans
// face, Courier by a monospaced one, ...).
class CFont {
public:
    CFont() = default;

    [[nodiscard]] static CFont Create(const LogFont& logFont);
    // The font a fresh device context holds.
    static const CFont& Default();

    bool IsNull() const { return m_data == nullptr; }
    explicit operator bool() const { return m_data != nullptr; }
    bool SameAs(const CFont& other) const { return m_data == other.m_data; }

    const LogFont& Logical() const; // the record the font was made from
    const TextMetrics& Metrics() const;
    std::string ResolvedFace() const; // the installed face actually used

private:
    std::shared_ptr<const detail::FontData> m_data;

    friend const detail::FontData* FontDataOf(const CFont& font);
};

const detail::FontData* FontDataOf(const CFont& font);

} // namespace gfx
