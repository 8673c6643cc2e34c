#include "help/CHelpWindow.h"

#include <QVBoxLayout>

namespace help {

CHelpWindow::CHelpWindow() : QWidget(nullptr, Qt::Window), m_browser(this) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_browser);
    // Links to other sites go to the user's browser, not into the help window.
    m_browser.setOpenExternalLinks(true);
    resize(640, 520);
    connect(&m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser.documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    });
}

void CHelpWindow::ShowTopic(const std::filesystem::path& topic) {
    m_browser.setSource(QUrl::fromLocalFile(QString::fromStdString(topic.string())));
    show();
    raise();
    activateWindow();
}

} // namespace help
