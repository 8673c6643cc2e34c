#include "tooltip/drawer/CHtmlStyleSheet.h"

#include "text/Ascii.h"

#include "tooltip/drawer/HtmlArithmetic.h"
#include "tooltip/drawer/HtmlColourNames.h"
#include "tooltip/drawer/HtmlMarkup.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

namespace tooltip {

namespace {

constexpr std::string_view kDefaultStyleSheet =
    "body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
    "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
    "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
    "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
    "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
    "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
    "code {color:#990000; font-family:Arial}\r\n"
    "a:link {text-decoration:none; color:blue}\r\n"
    "a:hover {text-decoration:underline; color:blue}\r\n"
    "sub {font-size:65%; vertical-align:bottom}\r\n"
    "sup {font-size:65%; vertical-align:top}\r\n"
    "big {font-size:125%}\r\n"
    "small {font-size:75%}\r\n"
    ".cpp-comment {color:green; font-style:italic}\r\n";

using syscolor::SysColour;
constexpr auto kSystemColourNames = std::to_array<HtmlSystemColourName>({
    {"activeborder", SysColour::ActiveBorder},
    {"activecaption", SysColour::ActiveCaption},
    {"appworkspace", SysColour::AppWorkspace},
    {"background", SysColour::Background},
    {"buttonface", SysColour::ButtonFace},
    {"buttonhighlight", SysColour::ButtonHighlight},
    {"buttonshadow", SysColour::ButtonShadow},
    {"buttontext", SysColour::ButtonText},
    {"captiontext", SysColour::CaptionText},
    {"graytext", SysColour::GrayText},
    {"highlight", SysColour::Highlight},
    {"highlighttext", SysColour::HighlightText},
    {"inactiveborder", SysColour::InactiveBorder},
    {"inactivecaption", SysColour::InactiveCaption},
    {"inactivecaptiontext", SysColour::InactiveCaptionText},
    {"infobackground", SysColour::InfoBackground},
    {"infotext", SysColour::InfoText},
    {"menu", SysColour::Menu},
    {"menutext", SysColour::MenuText},
    {"scrollbar", SysColour::ScrollBar},
    {"threeddarkshadow", SysColour::DarkShadow3D},
    {"threedface", SysColour::ButtonFace},
    {"threedhighlight", SysColour::ButtonHighlight},
    {"threedlightshadow", SysColour::Light3D},
    {"threedshadow", SysColour::ButtonShadow},
    {"window", SysColour::Window},
    {"windowframe", SysColour::WindowFrame},
    {"windowtext", SysColour::WindowText},
});
static_assert(kSystemColourNames.size() == 28);

constexpr int kDefaultPixelsPerInch = 96;
constexpr int kDefaultFontHeight = 16;

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

int ClampToInt(long long value) {
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// A two-digit hexadecimal field read as far as its digits go.
int HexPair(std::string_view pair) {
    int value = 0;
    for (const char c : pair) {
        const int digit = text::HexDigitValue(c);
        if (digit < 0) {
            break;
        }
        value = value * 16 + digit;
    }
    return value;
}

// Keyword tables: each maps a value to the number a property stores.
struct Keyword {
    std::string_view word;
    int value;
};

constexpr auto kTextAlign = std::to_array<Keyword>(
    {{"left", AlignLeft}, {"", AlignLeft}, {"center", AlignCenter}, {"right", AlignRight}});
constexpr auto kTextTransform = std::to_array<Keyword>({{"none", TransformNone},
                                                        {"", TransformNone},
                                                        {"uppercase", TransformUpper},
                                                        {"lowercase", TransformLower},
                                                        {"capitalize", TransformCapitalize}});
constexpr auto kVerticalAlign = std::to_array<Keyword>({{"baseline", VAlignBaseline},
                                                        {"", VAlignBaseline},
                                                        {"middle", VAlignMiddle},
                                                        {"vcenter", VAlignMiddle},
                                                        {"top", VAlignTop},
                                                        {"bottom", VAlignBottom}});
constexpr auto kBorderStyle = std::to_array<Keyword>(
    {{"none", 0}, {"", 0}, {"solid", 1}, {"dashed", 2}, {"dotted", 3}, {"double", 6}});
constexpr auto kFontStyle =
    std::to_array<Keyword>({{"normal", 0}, {"", 0}, {"italic", 1}, {"oblique", 1}});

// Sets `field` to the keyword's value; an unknown word leaves it unchanged.
template <std::size_t N>
void ApplyKeyword(const std::array<Keyword, N>& table, std::string_view value, int& field) {
    for (const Keyword& k : table) {
        if (k.word == value) {
            field = k.value;
            return;
        }
    }
}

void ApplyTextDecoration(HtmlStyle& style, std::string_view value) {
    if (value.empty()) {
        value = "none";
    }
    std::size_t p = 0;
    while (p < value.size()) {
        const std::size_t start = value.find_first_not_of(" ,", p);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = value.find_first_of(" ,", start);
        if (end == std::string_view::npos) {
            end = value.size();
        }
        const std::string_view word = value.substr(start, end - start);
        if (word == "none") {
            style.underline = style.strikeout = style.overline = 0;
        } else if (word == "underline") {
            style.underline = 1;
        } else if (word == "line-through") {
            style.strikeout = 1;
        } else if (word == "overline") {
            style.overline = 1;
        }
        p = end;
    }
}

void ApplyFontStyleFlags(HtmlStyle& style, std::string_view flags) {
    bool on = true;
    for (const char c : flags) {
        switch (c) {
        case '+':
            on = true;
            break;
        case '-':
            on = false;
            break;
        case 'b':
            style.weight = on ? 700 : 400;
            on = true;
            break;
        case 'i':
            style.italic = on ? 1 : 0;
            on = true;
            break;
        case 'u':
            style.underline = on ? 1 : 0;
            on = true;
            break;
        case 's':
            style.strikeout = on ? 1 : 0;
            on = true;
            break;
        case 'o':
            style.overline = on ? 1 : 0;
            on = true;
            break;
        default:
            break;
        }
    }
}

} // namespace

int MulDivRound(int a, int b, int c) {
    if (c == 0) {
        return -1;
    }
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -static_cast<long long>(c)) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = (product < 0 ? -product : product) + half;
    const long long divisor = c < 0 ? -static_cast<long long>(c) : c;
    const long long result = (negative ? -1 : 1) * (magnitude / divisor);
    if (result > INT_MAX || result < INT_MIN) {
        return -1;
    }
    return static_cast<int>(result);
}

int ReadDecimal(std::string_view value) {
    std::size_t p = 0;
    while (p < value.size() && IsWhite(value[p])) {
        ++p;
    }
    bool negative = false;
    if (p < value.size() && (value[p] == '+' || value[p] == '-')) {
        negative = value[p] == '-';
        ++p;
    }
    long long n = 0;
    for (; p < value.size() && value[p] >= '0' && value[p] <= '9'; ++p) {
        n = n * 10 + (value[p] - '0');
        if (n > INT_MAX) {
            n = static_cast<long long>(INT_MAX) + 1;
        }
    }
    return ClampToInt(negative ? -n : n);
}

std::uint32_t ReadUnsigned(std::string_view value) {
    std::size_t p = 0;
    while (p < value.size() && IsWhite(value[p])) {
        ++p;
    }
    bool negative = false;
    if (p < value.size() && (value[p] == '+' || value[p] == '-')) {
        negative = value[p] == '-';
        ++p;
    }
    unsigned base = 10;
    if (p < value.size() && value[p] == '0') {
        base = 8;
        if (p + 2 < value.size() && (value[p + 1] == 'x' || value[p + 1] == 'X') &&
            text::HexDigitValue(value[p + 2]) >= 0) {
            base = 16;
            p += 2;
        }
    }
    std::uint64_t n = 0;
    for (; p < value.size(); ++p) {
        const int digit = text::HexDigitValue(value[p]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) {
            break;
        }
        n = n * base + static_cast<unsigned>(digit);
        if (n > UINT32_MAX) {
            return UINT32_MAX;
        }
    }
    const auto result = static_cast<std::uint32_t>(n);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

std::span<const HtmlSystemColourName> SystemColourNames() {
    return kSystemColourNames;
}

std::string_view CHtmlStyleSheet::DefaultStyleSheet() {
    return kDefaultStyleSheet;
}

CHtmlStyleSheet::CHtmlStyleSheet(const SystemColourReader& system) {
    for (const HtmlNamedColour& c : NamedColours()) {
        m_colourTable.emplace(c.name,
                              HtmlRgb(static_cast<int>(c.rgb >> 16), static_cast<int>(c.rgb >> 8),
                                      static_cast<int>(c.rgb)));
    }
    for (const HtmlSystemColourName& entry : kSystemColourNames) {
        m_colourTable.insert_or_assign(std::string(entry.name),
                                       system ? system(entry.which) : HtmlColour{0});
    }
    SetStyleSheet(kDefaultStyleSheet);
}

void CHtmlStyleSheet::SetStyleSheet(std::string_view text) {
    m_styleSheet.clear();
    m_parsed.clear();
    std::size_t p = 0;
    while (p < text.size()) {
        while (p < text.size() && !IsWordStart(text[p])) {
            ++p;
        }
        if (p >= text.size()) {
            return;
        }
        const std::size_t selectorEnd = text.find_first_of(" {", p);
        if (selectorEnd == std::string_view::npos) {
            return;
        }
        const std::string_view selector = text.substr(p, selectorEnd - p);
        const std::size_t open = text.find('{', selectorEnd);
        if (open == std::string_view::npos) {
            return;
        }
        const std::size_t close = text.find('}', open + 1);
        if (close == std::string_view::npos) {
            return;
        }
        const std::string_view declarations = text.substr(open + 1, close - open - 1);
        if (!selector.empty() && !declarations.empty()) {
            m_styleSheet.insert_or_assign(LowerAscii(selector), std::string(declarations));
            m_parsed.insert_or_assign(LowerAscii(selector), ParseDeclarations(declarations));
        }
        p = close;
    }
}

void CHtmlStyleSheet::ApplySelector(HtmlStyle& style, std::string_view selector) const {
    // Selectors come from the markup on every tag: one already in lower case is looked up as it
    // is, and the rules were parsed when the sheet was set.
    const bool lower =
        std::none_of(selector.begin(), selector.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    const auto it = lower ? m_parsed.find(selector) : m_parsed.find(LowerAscii(selector));
    if (it == m_parsed.end()) {
        return;
    }
    for (const Declaration& declaration : it->second) {
        ApplyProperty(style, declaration.name, declaration.value);
    }
}

void CHtmlStyleSheet::ApplyDeclarations(HtmlStyle& style, std::string_view original) const {
    for (const Declaration& declaration : ParseDeclarations(original)) {
        ApplyProperty(style, declaration.name, declaration.value);
    }
}

namespace {

// Calls visit(name, value) for each "name: value" of a declaration text already in lower case,
// with views into that text, until visit returns false.
template <class Visit>
void ScanDeclarations(std::string_view text, Visit visit) {
    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n) {
        while (p < n && !IsWordStart(text[p])) {
            ++p;
        }
        if (p >= n) {
            return;
        }
        const std::size_t nameEnd = text.find_first_of(" :", p);
        if (nameEnd == std::string_view::npos) {
            return;
        }
        const std::string_view name = text.substr(p, nameEnd - p);
        p = nameEnd;
        while (p < n && text[p] == ' ') {
            ++p;
        }
        std::string_view value;
        if (p < n && text[p] == ':') {
            ++p;
            while (p < n && (text[p] == ' ' || text[p] == ';')) {
                ++p;
            }
            if (p < n && text[p] == '"') {
                const std::size_t close = text.find('"', p + 1);
                if (close == std::string_view::npos) {
                    p = n;
                } else {
                    value = text.substr(p + 1, close - p - 1);
                    p = close + 1;
                }
            } else {
                std::size_t end = text.find(';', p);
                if (end == std::string_view::npos) {
                    end = n;
                }
                value = text.substr(p, end - p);
                p = end;
            }
        }
        if (!visit(name, value)) {
            return;
        }
    }
}

} // namespace

std::vector<CHtmlStyleSheet::Declaration>
CHtmlStyleSheet::ParseDeclarations(std::string_view original) {
    std::vector<Declaration> declarations;
    const std::string text = LowerAscii(original);
    ScanDeclarations(text, [&declarations](std::string_view name, std::string_view value) {
        declarations.push_back({std::string(name), std::string(value)});
        return true;
    });
    return declarations;
}

CHtmlStyleSheet::Declaration CHtmlStyleSheet::FirstDeclaration(std::string_view original) {
    Declaration first;
    const std::string text = LowerAscii(original);
    ScanDeclarations(text, [&](std::string_view name, std::string_view value) {
        // Lower-casing keeps every byte in its place, so the value's span holds in the original.
        first.name.assign(name);
        if (!value.empty()) {
            const auto offset = static_cast<std::size_t>(value.data() - text.data());
            first.value.assign(original.substr(offset, value.size()));
        }
        return false;
    });
    return first;
}

namespace {

using PropertyHandler = void (*)(const CHtmlStyleSheet& sheet, HtmlStyle& style,
                                 std::string_view value);

struct Property {
    std::string_view name;
    PropertyHandler apply;
};

void ApplyBackground(const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
    if (value == "transparent") {
        style.backgroundMode = BkModeTransparent;
    } else {
        style.backgroundMode = BkModeOpaque;
        style.backgroundColour = sheet.ParseColour(style.backgroundColour, value);
    }
}

void ApplyBorderWidth(const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
    if (value == "thin") {
        style.borderWidth = MulDivRound(75, style.borderWidth, 100);
    } else if (value == "thick") {
        style.borderWidth = MulDivRound(125, style.borderWidth, 100);
    } else if (value != "medium") {
        style.borderWidth = sheet.ParseLength(style.borderWidth, value, false);
    }
    if (style.borderWidth == 0) {
        style.borderStyle = 0;
    } else if (style.borderStyle == 0) {
        style.borderStyle = 1;
    }
}

void ApplyBorderStyle(const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
    ApplyKeyword(kBorderStyle, value, style.borderStyle);
    if (style.borderStyle != 0 && style.borderWidth == 0) {
        style.borderWidth = 1;
    }
}

// The properties a declaration may set; any other name is ignored.
constexpr auto
    kProperties =
        std::to_array<Property>(
            {
                {"font-size",
                 [](const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
                     style.size = ClampCoordinate(sheet.ParseLength(style.size, value, true));
                 }},
                {"font-family",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     if (!value.empty()) {
                         style.face = value;
                     }
                 }},
                {"font-style",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     ApplyKeyword(kFontStyle, value, style.italic);
                 }},
                {"font-weight",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     style.weight = CHtmlStyleSheet::ParseFontWeight(value);
                 }},
                {"text-align",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     ApplyKeyword(kTextAlign, value, style.textAlign);
                 }},
                {"text-transform",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     ApplyKeyword(kTextTransform, value, style.textTransform);
                 }},
                {"color",
                 [](const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
                     style.colour = sheet.ParseColour(style.colour, value);
                 }},
                {"background-color", ApplyBackground},
                {"text-decoration",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     ApplyTextDecoration(style, value);
                 }},
                {"vertical-align",
                 [](const CHtmlStyleSheet&, HtmlStyle& style, std::string_view value) {
                     ApplyKeyword(kVerticalAlign, value, style.verticalAlign);
                 }},
                {"border-color",
                 [](const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
                     style.borderLightColour = style.borderDarkColour =
                         sheet.ParseColour(style.borderLightColour, value);
                 }},
                {"border-width", ApplyBorderWidth},
                {"size", ApplyBorderWidth},
                {"border-style", ApplyBorderStyle},
                {"margin",
                 [](const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
                     style.cellPadding = sheet.ParseLength(style.cellPadding, value, false);
                 }},
                {"padding",
                 [](const CHtmlStyleSheet& sheet, HtmlStyle& style, std::string_view value) {
                     style.cellSpacing = sheet.ParseLength(style.cellSpacing, value, false);
                 }},
            });

} // namespace

void CHtmlStyleSheet::ApplyProperty(HtmlStyle& style, std::string_view name,
                                    std::string_view value) const {
    for (const Property& property : kProperties) {
        if (property.name == name) {
            property.apply(*this, style, value);
            return;
        }
    }
}

void CHtmlStyleSheet::ApplyFontAttributes(HtmlStyle& style, std::string_view attributes) const {
    std::size_t cursor = 0;
    std::string_view name;
    std::string_view value;
    while (NextAttribute(attributes, cursor, name, value)) {
        if (name == "face") {
            if (!value.empty()) {
                style.face = value;
            }
        } else if (name == "size") {
            // Clamped as every other length, so no later negation can overflow.
            style.size = ClampCoordinate(ParseLength(style.size, value, true));
        } else if (name == "color") {
            style.colour = ParseColour(style.colour, value);
        } else if (name == "style") {
            ApplyFontStyleFlags(style, value);
        } else if (name == "weight") {
            style.weight = ParseFontWeight(value);
        } else if (name == "bkgnd") {
            ApplyBackground(*this, style, value);
        }
    }
}

int CHtmlStyleSheet::ParseFontWeight(std::string_view value) {
    if (value == "normal" || value.empty()) {
        return 400;
    }
    if (value == "bold") {
        return 700;
    }
    if (value == "bolder") {
        return 900;
    }
    if (value == "lighter") {
        return 100;
    }
    return ReadDecimal(value);
}

int CHtmlStyleSheet::ParseLength(int base, std::string_view value, bool fontSizeMode) const {
    if (value.empty()) {
        return base;
    }
    if (value.back() == '%') {
        return MulDivRound(base, ReadDecimal(value.substr(0, value.size() - 1)), 100);
    }
    if (value.front() == '+' || value.front() == '-') {
        value.remove_prefix(1);
    }
    const long long n = ReadDecimal(value);
    const std::string_view unit = value.size() >= 2 ? value.substr(value.size() - 2) : "";
    const int ppi = m_metrics ? m_metrics->PixelsPerInch() : kDefaultPixelsPerInch;
    const long long v = n * ppi;
    if (unit == "px") {
        return ClampToInt(n);
    }
    if (unit == "ex") {
        return ClampToInt(n * (m_metrics ? m_metrics->StringHeight() : kDefaultFontHeight));
    }
    if (unit == "em") {
        return ClampToInt(n * (m_metrics ? m_metrics->FontHeight() : kDefaultFontHeight));
    }
    if (unit == "in") {
        return ClampToInt(v);
    }
    if (unit == "cm") {
        return ClampToInt(static_cast<long long>(std::trunc(static_cast<double>(v) / 2.54)));
    }
    if (unit == "mm") {
        return ClampToInt(static_cast<long long>(std::trunc(static_cast<double>(v) / 25.4)));
    }
    if (unit == "pt") {
        return ClampToInt(v / 72);
    }
    if (unit == "pc") {
        return ClampToInt(v / 6);
    }
    const std::uint32_t m = ReadUnsigned(value);
    if (fontSizeMode && m >= 1 && m <= 7) {
        static constexpr std::array<int, 7> kHtmlFontSizes{8, 10, 12, 14, 18, 24, 36};
        return kHtmlFontSizes[m - 1];
    }
    return ClampToInt(m);
}

HtmlColour CHtmlStyleSheet::ParseColour(HtmlColour current, std::string_view value) const {
    if (value.empty()) {
        return current;
    }
    if (value.front() == '#') {
        if (value.size() != 7) {
            return current;
        }
        return HtmlRgb(HexPair(value.substr(1, 2)), HexPair(value.substr(3, 2)),
                       HexPair(value.substr(5, 2)));
    }
    if (value.front() >= '0' && value.front() <= '9') {
        return ReadUnsigned(value);
    }
    return LookupColour(value, current);
}

HtmlColour CHtmlStyleSheet::LookupColour(std::string_view name, HtmlColour fallback) const {
    const auto it = m_colourTable.find(name);
    return it == m_colourTable.end() ? fallback : it->second;
}

} // namespace tooltip
