#pragma once
// An application-wide event filter that hands every input event of a window (the window itself or
// any control inside it) to that window's tip window before the window handles it. Event filters
// on the application run before the receiver's own handling, so the tip hears of a click before
// the button acts on it. An owner that is part of a larger window (a page of the main window's
// sheet) hears the whole window's input, so that its tip goes when the user works elsewhere in it.

#include "window/WindowSystem.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace platformwindow {

class CQtMessageRelay : public QObject {
public:
    using HandleOf = std::function<tooltip::WindowHandle(QWidget*)>;

    explicit CQtMessageRelay(HandleOf handleOf);
    ~CQtMessageRelay() override;

    // From now on, the input events of owner's window reach sink; mouse moves are reported even
    // while no button is held. popup names the tip window the sink belongs to.
    void Attach(QWidget& owner, tooltip::WindowHandle popup, tooltip::ITipMessageSink& sink);
    // Forgets every sink of the tip window.
    void Detach(tooltip::WindowHandle popup);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Attachment {
        QPointer<QWidget> owner;
        tooltip::WindowHandle popup;
        tooltip::ITipMessageSink* sink = nullptr;
    };

    static void TrackMouse(QWidget& widget);

    HandleOf m_handleOf;
    std::vector<Attachment> m_attachments;
    bool m_installed = false;
};

} // namespace platformwindow
