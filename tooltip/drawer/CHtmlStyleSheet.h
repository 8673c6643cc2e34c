#pragma once
// The drawer's style sheet and colour names, and the readers of lengths, colours and font weights
// that every tag and declaration uses.

#include "syscolor/SysColour.h"
#include "tooltip/drawer/HtmlStyle.h"

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tooltip {

// (a × b) / c rounded to the nearest integer, halves away from zero, in 64 bits; -1 when c is 0
// or the result does not fit an int.
[[nodiscard]] int MulDivRound(int a, int b, int c);

// What units that depend on the device ask of it while a pass runs.
class IHtmlUnitMetrics {
public:
    virtual ~IHtmlUnitMetrics() = default;
    [[nodiscard]] virtual int PixelsPerInch() const = 0;
    // Height of the current font.
    [[nodiscard]] virtual int FontHeight() const = 0;
    // Height of a measured string in the current font (what "ex" multiplies: the height of "x").
    [[nodiscard]] virtual int StringHeight() const = 0;
};

// Reads one of the user interface's colours; the sheet reads each once, when it is made.
using SystemColourReader = std::function<HtmlColour(syscolor::SysColour which)>;

struct HtmlSystemColourName {
    std::string_view name;
    syscolor::SysColour which;
};

// The 28 names of the user interface's colours, in the order they are entered.
[[nodiscard]] std::span<const HtmlSystemColourName> SystemColourNames();

class CHtmlStyleSheet {
public:
    // Fills the colour table (the named colours, then the system colours read through `system`,
    // or black for each when it is empty) and sets the default style sheet.
    explicit CHtmlStyleSheet(const SystemColourReader& system);

    void SetStyleSheet(std::string_view text);
    void ApplySelector(HtmlStyle& style, std::string_view selector) const;
    void ApplyDeclarations(HtmlStyle& style, std::string_view text) const;
    // The attributes of a "font" tag, in order.
    void ApplyFontAttributes(HtmlStyle& style, std::string_view attributes) const;

    // Sets the metrics that "ex", "em" and the absolute units read; none means 96 pixels per inch
    // and a 16-pixel font.
    void SetUnitMetrics(const IHtmlUnitMetrics* metrics) { m_metrics = metrics; }

    [[nodiscard]] int ParseLength(int base, std::string_view value, bool fontSizeMode) const;
    [[nodiscard]] HtmlColour ParseColour(HtmlColour current, std::string_view value) const;
    [[nodiscard]] HtmlColour LookupColour(std::string_view name, HtmlColour fallback) const;
    [[nodiscard]] static int ParseFontWeight(std::string_view value);

    [[nodiscard]] const std::map<std::string, std::string, std::less<>>& Entries() const {
        return m_styleSheet;
    }
    [[nodiscard]] std::size_t ColourCount() const { return m_colourTable.size(); }

    // The style sheet every drawer starts with.
    [[nodiscard]] static std::string_view DefaultStyleSheet();

    // One "name: value" of a rule, in lower case.
    struct Declaration {
        std::string name;
        std::string value;
    };
    // The first "name: value" of a declaration text, read as a rule's are, except that the value
    // keeps its case: it may name a file, and file names here tell case apart.
    [[nodiscard]] static Declaration FirstDeclaration(std::string_view text);

private:
    static std::vector<Declaration> ParseDeclarations(std::string_view text);
    void ApplyProperty(HtmlStyle& style, std::string_view name, std::string_view value) const;

    std::map<std::string, std::string, std::less<>> m_styleSheet;
    std::map<std::string, std::vector<Declaration>, std::less<>> m_parsed; // the same rules, parsed
    std::map<std::string, HtmlColour, std::less<>> m_colourTable;
    const IHtmlUnitMetrics* m_metrics = nullptr;
};

// Leading decimal number as atoi reads it (spaces, a sign, digits), saturated to the int range.
[[nodiscard]] int ReadDecimal(std::string_view value);
// The value read as an unsigned 32-bit number with base prefixes ("0x" hexadecimal, a leading "0"
// octal), as far as its digits go; a leading "-" negates it modulo 2^32.
[[nodiscard]] std::uint32_t ReadUnsigned(std::string_view value);

} // namespace tooltip
