#include "dialog/CAccessibleSheetTabs.h"

#include "dialog/CAccessibleSheetTab.h"
#include "dialog/CSheetTabs.h"

namespace dialog {

CAccessibleSheetTabs::CAccessibleSheetTabs(CSheetTabs* tabs)
    : QAccessibleWidget(tabs, QAccessible::PageTabList) {}

CAccessibleSheetTabs::~CAccessibleSheetTabs() {
    for (const QAccessible::Id id : std::as_const(m_tabIds)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

CSheetTabs* CAccessibleSheetTabs::Tabs() const {
    return static_cast<CSheetTabs*>(widget());
}

int CAccessibleSheetTabs::childCount() const {
    return Tabs()->Count();
}

QAccessibleInterface* CAccessibleSheetTabs::child(int index) const {
    if (index < 0 || index >= Tabs()->Count()) {
        return nullptr;
    }
    if (const auto it = m_tabIds.constFind(index); it != m_tabIds.constEnd()) {
        return QAccessible::accessibleInterface(*it);
    }
    auto* tab = new CAccessibleSheetTab(Tabs(), index);
    m_tabIds.insert(index, QAccessible::registerAccessibleInterface(tab));
    return tab;
}

int CAccessibleSheetTabs::indexOfChild(const QAccessibleInterface* child) const {
    for (auto it = m_tabIds.constBegin(); it != m_tabIds.constEnd(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child) {
            return it.key();
        }
    }
    return -1;
}

QAccessibleInterface* CAccessibleSheetTabs::focusChild() const {
    return Tabs()->hasFocus() ? child(Tabs()->Current()) : nullptr;
}

QString CAccessibleSheetTabs::text(QAccessible::Text kind) const {
    // The strip is named by the page it shows, as a screen reader announces a tab list.
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        const QAccessibleInterface* current = child(Tabs()->Current());
        return current != nullptr ? current->text(QAccessible::Name) : QString();
    }
    return QAccessibleWidget::text(kind);
}

} // namespace dialog
