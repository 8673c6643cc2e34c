#pragma once
// The attributes of one picture tag ("bmp", "icon", "ilst"), read afresh for every tag.

#include "tooltip/drawer/HtmlStyle.h"

#include <string>

namespace tooltip {

struct HtmlImageParams {
    int index = 0;         // frame of a strip
    int idres = 0;         // picture compiled into the program
    int iddll = 0;         // picture in the bundle named by srcdll
    int handle = 0;        // picture the program registered with the drawer
    int cx = 0;            // frame width of a strip
    int cy = 0;            // frame height of a strip
    int width = 100;       // percent when widthPercent, else pixels
    int height = 100;      // percent when heightPercent, else pixels
    int speed = 0;         // timer ticks per frame; 0: not animated
    unsigned style = 0;    // ImageStyle flags drawn normally
    unsigned hotStyle = 0; // ImageStyle flags drawn while the mouse is over the link
    int useMask = 0;
    int widthPercent = 1;
    int heightPercent = 1;
    HtmlColour maskColour = 0xFF00FF;
    std::string file;
    std::string srcdll;
};

} // namespace tooltip
