#include "dialog/CAccessibleHost.h"

#include "dialog/CAccessibleSheetTabs.h"
#include "dialog/CDialogBuilder.h"
#include "dialog/CPropertyPage.h"
#include "dialog/CSheetTabs.h"
#include "dialog/CTemplateDialog.h"

namespace dialog {

namespace {

QAccessibleInterface* Factory(const QString&, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    auto* widget = static_cast<QWidget*>(object);
    if (auto* tabs = qobject_cast<CSheetTabs*>(widget)) {
        return new CAccessibleSheetTabs(tabs);
    }
    if (qobject_cast<CTemplateDialog*>(widget) != nullptr) {
        return new CAccessibleHost(widget, QAccessible::Dialog);
    }
    if (qobject_cast<CPropertyPage*>(widget) != nullptr) {
        return new CAccessibleHost(widget, QAccessible::PropertyPage);
    }
    return nullptr;
}

} // namespace

CAccessibleHost::CAccessibleHost(QWidget* host, QAccessible::Role role)
    : QAccessibleWidget(host, role) {}

void CAccessibleHost::InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

QList<QWidget*> CAccessibleHost::Children() const {
    QList<QWidget*> children;
    for (QObject* object : widget()->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child != nullptr && !child->isWindow() &&
            !child->property(kAccessibleHidden).toBool()) {
            children.push_back(child);
        }
    }
    return children;
}

int CAccessibleHost::childCount() const {
    return static_cast<int>(Children().size());
}

QAccessibleInterface* CAccessibleHost::child(int index) const {
    const QList<QWidget*> children = Children();
    if (index < 0 || index >= children.size()) {
        return nullptr;
    }
    return QAccessible::queryAccessibleInterface(children[index]);
}

int CAccessibleHost::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr || child->object() == nullptr || !child->object()->isWidgetType()) {
        return -1;
    }
    return static_cast<int>(Children().indexOf(static_cast<QWidget*>(child->object())));
}

QString CAccessibleHost::text(QAccessible::Text kind) const {
    // A page is named by its tab's caption.
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
        if (const auto* page = qobject_cast<const CPropertyPage*>(widget())) {
            return page->Caption();
        }
    }
    return QAccessibleWidget::text(kind);
}

} // namespace dialog
