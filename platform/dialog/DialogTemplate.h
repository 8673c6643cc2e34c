#pragma once
// Dialog templates as data: one record per control, positions in dialog units, in tab order. The
// tables themselves live in res/; CDialogBuilder turns a table into widgets.

#include <cstdint>
#include <span>
#include <string_view>

namespace dialog {

// A control without an identifier (labels, separators) carries this one, as resource scripts do.
inline constexpr int kNoId = -1;
// The buttons that end a dialog: OK accepts it, Cancel rejects it.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

enum class ControlKind {
    PushButton,
    Edit,
    Static,           // a text label
    EtchedHorizontal, // a sunken horizontal line
    Frame,            // an empty frame; a placeholder when hidden
    Icon,             // a static showing an icon resource at its natural size
    ComboBox,         // a drop-down list
    ListBox,          // a list of items
};

// Control style bits. A control without kTabStop is skipped by Tab.
enum ControlStyle : std::uint32_t {
    kTabStop = 1u << 0,
    kDefault = 1u << 1, // the default push button: Enter presses it
    kHidden = 1u << 2,
    kMultiLine = 1u << 3,
    kReadOnly = 1u << 4,
    kBorder = 1u << 5,
    kVScroll = 1u << 6,
    kHScroll = 1u << 7,
    kAutoHScroll = 1u << 8, // text scrolls sideways instead of wrapping
    kNoPrefix = 1u << 9,    // '&' is shown as it stands, not as a mnemonic
    kWantReturn = 1u << 10, // a multi-line edit takes Enter instead of pressing the default button
};

struct ControlTemplate {
    int id = kNoId;
    ControlKind kind = ControlKind::Static;
    std::string_view text;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::uint32_t style = 0;
    int resource = 0; // the icon resource of an Icon control
    // The string resource that names a control for screen readers when neither its own text nor a
    // label before it does (see CDialogBuilder); 0 for none.
    int nameString = 0;
};

enum DialogStyle : std::uint32_t {
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,
    kMinimizeBox = 1u << 2,
    kModalFrame = 1u << 3,
    kChild = 1u << 4,     // a page inside a sheet, not a window of its own
    kAppWindow = 1u << 5, // has a taskbar button of its own
};

struct DialogTemplate {
    int id = 0;
    std::string_view caption;
    int cx = 0;
    int cy = 0;
    std::string_view fontName;
    int fontPoints = 8;
    std::uint32_t style = 0;
    std::span<const ControlTemplate> controls;
};

} // namespace dialog
