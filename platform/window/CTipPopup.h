#pragma once
// The Qt window behind a tip: a frameless tool-tip window that never takes the focus, shaped by a
// mask, painted from a pixel store of its own (a device context of the drawing layer), with
// per-window timers. Before each show the store is filled with the screen under the window, so the
// first paint sees what the window covers; on a desktop that blends windows by alpha the store
// starts transparent instead.

#include "window/WindowSystem.h"

#include "gfx/CDc.h"

#include <QWidget>

#include <map>

namespace platformwindow {

class CTipPopup : public QWidget {
public:
    CTipPopup(QWidget* owner, tooltip::IPopupEvents& events, bool translucent);
    ~CTipPopup() override;

    void ShowAt(const gfx::Rect& screenRect, const gfx::CRegion& shape);
    [[nodiscard]] bool Translucent() const { return m_translucent; }
    [[nodiscard]] gfx::CDc& Dc() { return m_dc; }
    // What was drawn into the store goes to the screen without asking the owner to paint again.
    void Present();
    void SetTimer(unsigned id, unsigned milliseconds);
    void KillTimer(unsigned id);
    void SetShape(tooltip::CursorShape shape);
    [[nodiscard]] tooltip::IPopupEvents& Events() { return m_events; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void CaptureScreen(const gfx::Rect& screenRect, double ratio);

    tooltip::IPopupEvents& m_events;
    bool m_translucent;
    bool m_presentOnly = false;
    gfx::CDc m_dc;
    std::map<unsigned, int> m_timers; // our identifier to Qt's
};

} // namespace platformwindow
