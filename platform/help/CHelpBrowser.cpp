#include "help/CHelpBrowser.h"

#include "help/HelpReference.h"

namespace help {

CHelpBrowser::CHelpBrowser(QWidget* parent) : QTextBrowser(parent) {}

QVariant CHelpBrowser::loadResource(int type, const QUrl& name) {
    const QUrl resolved = source().resolved(name);
    if (!resolved.isLocalFile() || m_folder.empty() ||
        !FileInside(m_folder, resolved.toLocalFile().toStdString())) {
        return {};
    }
    return QTextBrowser::loadResource(type, resolved);
}

} // namespace help
