#pragma once
// The accessible face of a sheet's tab strip: a page tab list whose children are page tabs named
// by their captions, the current one selected (and focused while the strip has the focus).

#include <QAccessibleWidget>
#include <QHash>

namespace dialog {

class CSheetTabs;

class CAccessibleSheetTabs : public QAccessibleWidget {
public:
    explicit CAccessibleSheetTabs(CSheetTabs* tabs);
    ~CAccessibleSheetTabs() override;

    [[nodiscard]] int childCount() const override;
    [[nodiscard]] QAccessibleInterface* child(int index) const override;
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override;
    [[nodiscard]] QAccessibleInterface* focusChild() const override;
    [[nodiscard]] QString text(QAccessible::Text kind) const override;

    [[nodiscard]] CSheetTabs* Tabs() const;

private:
    // The tabs' interfaces, made on first use and kept (registered) until the strip's goes.
    mutable QHash<int, QAccessible::Id> m_tabIds;
};

} // namespace dialog
