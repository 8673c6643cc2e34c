#include "window/CQtWindowSystem.h"

#include "window/CTipPopup.h"
#include "window/QtTipMessages.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>

#ifdef KELDWICK_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace platformwindow {

namespace {

constexpr const char* kHandleProperty = "keldwickWindowHandle";

// The platform's class names of the controls, for the questions the tip window asks about them.
struct ClassRow {
    const char* qtClass;
    const char* className;
};
constexpr ClassRow kClasses[] = {
    {"QComboBox", "ComboBox"}, {"QLineEdit", "Edit"},         {"QPlainTextEdit", "Edit"},
    {"QTextEdit", "Edit"},     {"QAbstractButton", "Button"}, {"QLabel", "Static"},
    {"QDialog", "#32770"},
};

constexpr unsigned kComboStyleDropDownList = 3;

// The scroll area a widget is a part of: its viewport and the boxes holding its scroll bars are its
// children, and the scroll bars lie one level further down, inside those boxes. What lies inside
// the viewport (a scroll area's own controls) is not a part of it.
QAbstractScrollArea* AreaOwning(QWidget* widget) {
    QWidget* parent = widget->parentWidget();
    if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
        return area;
    }
    QWidget* grandparent = parent != nullptr ? parent->parentWidget() : nullptr;
    auto* area = qobject_cast<QAbstractScrollArea*>(grandparent);
    return area != nullptr && parent != area->viewport() ? area : nullptr;
}

// The parts Qt builds inside a scroll area (its viewport, its scroll bars) are not windows of their
// own: the scroll area stands for them.
QWidget* ControlOf(QWidget* widget) {
    while (widget != nullptr && !widget->isWindow()) {
        QAbstractScrollArea* area = AreaOwning(widget);
        if (area == nullptr) {
            break;
        }
        widget = area;
    }
    return widget;
}

} // namespace

CQtWindowSystem::CQtWindowSystem()
    : m_relay([this](QWidget* widget) { return HandleOf(widget); }) {}

CQtWindowSystem::~CQtWindowSystem() = default;

CQtWindowSystem& CQtWindowSystem::Shared() {
    static CQtWindowSystem shared;
    return shared;
}

tooltip::WindowHandle CQtWindowSystem::HandleOf(QWidget* widget) const {
    if (widget == nullptr) {
        return {};
    }
    const QVariant known = widget->property(kHandleProperty);
    if (known.isValid()) {
        return tooltip::WindowHandle{static_cast<std::uintptr_t>(known.toULongLong())};
    }
    const std::uintptr_t value = m_nextHandle++;
    widget->setProperty(kHandleProperty, QVariant::fromValue<qulonglong>(value));
    m_widgets[value] = widget;
    return tooltip::WindowHandle{value};
}

QWidget* CQtWindowSystem::WidgetOf(tooltip::WindowHandle window) const {
    const auto it = m_widgets.find(window.value);
    if (it == m_widgets.end()) {
        return nullptr;
    }
    if (it->second.isNull()) {
        m_widgets.erase(it);
        return nullptr;
    }
    return it->second.data();
}

CTipPopup* CQtWindowSystem::PopupOf(tooltip::WindowHandle popup) const {
    return dynamic_cast<CTipPopup*>(WidgetOf(popup));
}

void CQtWindowSystem::RelayEvents(QWidget& owner, tooltip::WindowHandle popup,
                                  tooltip::ITipMessageSink& sink) {
    m_relay.Attach(owner, popup, sink);
}

tooltip::WindowHandle CQtWindowSystem::CreatePopup(tooltip::WindowHandle owner, std::string_view,
                                                   tooltip::IPopupEvents& events) {
    if (qApp == nullptr) {
        return {};
    }
    auto* popup = new CTipPopup(WidgetOf(owner), events, DesktopComposites());
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, popup,
                     [popup](Qt::ApplicationState state) {
                         popup->Events().OnActivateApp(state == Qt::ApplicationActive);
                     });
    return HandleOf(popup);
}

void CQtWindowSystem::DestroyPopup(tooltip::WindowHandle popup) {
    m_relay.Detach(popup);
    delete PopupOf(popup);
    m_widgets.erase(popup.value);
}

void CQtWindowSystem::ShowPopup(tooltip::WindowHandle popup, const gfx::Rect& screenRect,
                                const gfx::CRegion& shape) {
    if (CTipPopup* p = PopupOf(popup)) {
        p->ShowAt(screenRect, shape);
    }
}

void CQtWindowSystem::HidePopup(tooltip::WindowHandle popup) {
    if (CTipPopup* p = PopupOf(popup)) {
        p->hide();
    }
}

bool CQtWindowSystem::IsVisible(tooltip::WindowHandle window) const {
    const QWidget* widget = WidgetOf(window);
    return widget != nullptr && widget->isVisible();
}

bool CQtWindowSystem::ComposesTranslucency(tooltip::WindowHandle popup) const {
    const CTipPopup* p = PopupOf(popup);
    return p != nullptr && p->Translucent();
}

gfx::CDc* CQtWindowSystem::GetDc(tooltip::WindowHandle popup) {
    CTipPopup* p = PopupOf(popup);
    return p != nullptr ? &p->Dc() : nullptr;
}

void CQtWindowSystem::ReleaseDc(tooltip::WindowHandle popup) {
    if (CTipPopup* p = PopupOf(popup); p != nullptr && p->isVisible()) {
        p->Present();
    }
}

void CQtWindowSystem::SetCursorShape(tooltip::WindowHandle popup, tooltip::CursorShape shape) {
    if (CTipPopup* p = PopupOf(popup)) {
        p->SetShape(shape);
    }
}

void CQtWindowSystem::SetTimer(tooltip::WindowHandle popup, unsigned id, unsigned milliseconds) {
    if (CTipPopup* p = PopupOf(popup)) {
        p->SetTimer(id, milliseconds);
    }
}

void CQtWindowSystem::KillTimer(tooltip::WindowHandle popup, unsigned id) {
    if (CTipPopup* p = PopupOf(popup)) {
        p->KillTimer(id);
    }
}

// The deepest control under the point, passing over disabled ones to the window beneath them.
tooltip::WindowHandle CQtWindowSystem::WindowFromPoint(gfx::Point screen) const {
    QWidget* widget = ControlOf(QApplication::widgetAt(QPoint(screen.x, screen.y)));
    while (widget != nullptr && !widget->isEnabled() && !widget->isWindow()) {
        widget = widget->parentWidget();
    }
    return widget != nullptr && widget->isEnabled() ? HandleOf(widget) : tooltip::WindowHandle{};
}

tooltip::WindowHandle CQtWindowSystem::Parent(tooltip::WindowHandle window) const {
    const QWidget* widget = WidgetOf(window);
    return widget != nullptr && !widget->isWindow() ? HandleOf(widget->parentWidget())
                                                    : tooltip::WindowHandle{};
}

tooltip::WindowHandle CQtWindowSystem::ChildFromPoint(tooltip::WindowHandle window,
                                                      gfx::Point client) const {
    QWidget* widget = WidgetOf(window);
    if (widget == nullptr || !widget->rect().contains(client.x, client.y)) {
        return {};
    }
    // A scroll area's viewport and scroll bars are parts of it, not children of their own.
    if (qobject_cast<QAbstractScrollArea*>(widget) != nullptr) {
        return window;
    }
    QWidget* child = widget->childAt(client.x, client.y);
    while (child != nullptr && child->parentWidget() != widget) {
        child = child->parentWidget();
    }
    return HandleOf(child != nullptr ? child : widget);
}

gfx::Point CQtWindowSystem::ScreenToClient(tooltip::WindowHandle window, gfx::Point screen) const {
    const QWidget* widget = WidgetOf(window);
    if (widget == nullptr) {
        return screen;
    }
    const QPoint p = widget->mapFromGlobal(QPoint(screen.x, screen.y));
    return {p.x(), p.y()};
}

bool CQtWindowSystem::IsEnabled(tooltip::WindowHandle window) const {
    const QWidget* widget = WidgetOf(window);
    return widget != nullptr && widget->isEnabled();
}

std::string CQtWindowSystem::ClassName(tooltip::WindowHandle window) const {
    const QWidget* widget = WidgetOf(window);
    if (widget == nullptr) {
        return {};
    }
    for (const ClassRow& row : kClasses) {
        if (widget->inherits(row.qtClass)) {
            return row.className;
        }
    }
    return widget->metaObject()->className();
}

unsigned CQtWindowSystem::Style(tooltip::WindowHandle window) const {
    if (const auto* combo = qobject_cast<const QComboBox*>(WidgetOf(window))) {
        return combo->isEditable() ? tooltip::kComboStyleDropDown : kComboStyleDropDownList;
    }
    return 0;
}

gfx::Point CQtWindowSystem::CursorPos() const {
    return CursorPosition();
}

std::vector<gfx::Rect> CQtWindowSystem::ScreenGeometries() const {
    std::vector<gfx::Rect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        screens.push_back({g.left(), g.top(), g.left() + g.width(), g.top() + g.height()});
    }
    return screens;
}

bool CQtWindowSystem::DesktopComposites() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) {
        return true;
    }
#ifdef KELDWICK_HAVE_XCB
    if (platform == QLatin1String("xcb")) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
        if (connection == nullptr) {
            return false;
        }
        // A compositing manager owns the selection _NET_WM_CM_S<screen>.
        static constexpr char kSelection[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, sizeof kSelection - 1, kSelection), nullptr);
        if (atom == nullptr) {
            return false;
        }
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        const bool composited = owner != nullptr && owner->owner != XCB_NONE;
        std::free(owner);
        std::free(atom);
        return composited;
    }
#endif
    return false;
}

} // namespace platformwindow
