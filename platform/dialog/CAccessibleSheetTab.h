#pragma once
// One page tab of a sheet's tab strip, for screen readers. It has no widget of its own: it is a
// rectangle of the strip, named by the page's caption.

#include <QAccessibleInterface>
#include <QPointer>

namespace dialog {

class CSheetTabs;

class CAccessibleSheetTab : public QAccessibleInterface {
public:
    CAccessibleSheetTab(CSheetTabs* tabs, int index);

    [[nodiscard]] bool isValid() const override;
    [[nodiscard]] QObject* object() const override { return nullptr; }
    [[nodiscard]] QWindow* window() const override;
    [[nodiscard]] QAccessibleInterface* parent() const override;
    [[nodiscard]] QAccessibleInterface* child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    [[nodiscard]] QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    [[nodiscard]] QString text(QAccessible::Text kind) const override;
    void setText(QAccessible::Text, const QString&) override {}
    [[nodiscard]] QRect rect() const override;
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::PageTab; }
    [[nodiscard]] QAccessible::State state() const override;

private:
    QPointer<CSheetTabs> m_tabs;
    int m_index;
};

} // namespace dialog
