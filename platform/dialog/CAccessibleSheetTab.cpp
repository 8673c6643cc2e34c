#include "dialog/CAccessibleSheetTab.h"

#include "dialog/CSheetTabs.h"

namespace dialog {

CAccessibleSheetTab::CAccessibleSheetTab(CSheetTabs* tabs, int index)
    : m_tabs(tabs), m_index(index) {}

bool CAccessibleSheetTab::isValid() const {
    return !m_tabs.isNull() && m_index >= 0 && m_index < m_tabs->Count();
}

QWindow* CAccessibleSheetTab::window() const {
    const QAccessibleInterface* strip = parent();
    return strip != nullptr ? strip->window() : nullptr;
}

QAccessibleInterface* CAccessibleSheetTab::parent() const {
    return m_tabs.isNull() ? nullptr : QAccessible::queryAccessibleInterface(m_tabs.data());
}

QString CAccessibleSheetTab::text(QAccessible::Text kind) const {
    if (!isValid() || kind != QAccessible::Name) {
        return {};
    }
    // The caption as a screen reader speaks it: without mnemonic markers.
    QString caption = m_tabs->Caption(m_index);
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

QRect CAccessibleSheetTab::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect local = m_tabs->TabRects(m_tabs->width())[static_cast<std::size_t>(m_index)];
    return QRect(m_tabs->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State CAccessibleSheetTab::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const bool current = m_tabs->Current() == m_index;
    state.selectable = true;
    state.selected = current;
    state.focusable = true;
    state.focused = current && m_tabs->hasFocus();
    state.invisible = !m_tabs->isVisible();
    return state;
}

} // namespace dialog
