#pragma once
// What the drawer asks of the program around it, each behind a small interface so tests can
// stand in for it: the window that hears hover reports, the hand cursor, the opener of link
// targets, the string table and the user interface's colours.

#include "opener/ILinkOpener.h"
#include "tooltip/drawer/CHtmlStyleSheet.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tooltip {

// A window that receives the drawer's reports (the tooltip window).
class IHtmlMessageTarget {
public:
    virtual ~IHtmlMessageTarget() = default;
    virtual void SendMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) = 0;
};

// The cursor shown over a link with a target.
class IHtmlCursor {
public:
    virtual ~IHtmlCursor() = default;
    virtual void SetHandCursor() = 0;
};

// Hears every piece of text the Draw pass puts out, with the style it is drawn in (for previews
// and tests).
class IHtmlTextObserver {
public:
    virtual ~IHtmlTextObserver() = default;
    virtual void OnTextOut(int x, int y, std::string_view text, const HtmlStyle& style) = 0;
};

// Looks up a string of the program's string table; empty when there is none with that number.
using HtmlStringLoader = std::function<std::string(int id)>;

struct HtmlDrawerServices {
    // Null: links open with the desktop's default handler (xdg-open).
    opener::ILinkOpener* opener = nullptr;
    // Null: no hand cursor, links keep the arrow.
    IHtmlCursor* handCursor = nullptr;
    // The program's string table (the window that owns the tip passes it); empty: no strings,
    // so the "string" tag places nothing.
    HtmlStringLoader loadString;
    // Empty: the application palette.
    SystemColourReader systemColours;
    // Null: nobody listens.
    IHtmlTextObserver* textObserver = nullptr;
    // Whether "file" and "srcdll" pictures are read; off, only the pictures compiled into the
    // program and those registered by handle are drawn (the fuzz target turns it off).
    bool readPictureFiles = true;
};

} // namespace tooltip
