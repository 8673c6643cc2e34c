#include "help/CHelpWindow.h"

#include "help/HelpReference.h"
#include "opener/CXdgOpener.h"

#include <QVBoxLayout>

namespace help {

CHelpWindow::CHelpWindow()
    : QWidget(nullptr, Qt::Window), m_browser(this),
      m_opener(std::make_unique<opener::CXdgOpener>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_browser);
    // Every link click comes here first: the browser would follow a link to any local file.
    m_browser.setOpenLinks(false);
    m_browser.setOpenExternalLinks(false);
    connect(&m_browser, &QTextBrowser::anchorClicked, this, &CHelpWindow::FollowLink);
    resize(640, 520);
    connect(&m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser.documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    });
}

CHelpWindow::~CHelpWindow() = default;

void CHelpWindow::ShowTopic(const std::filesystem::path& folder,
                            const std::filesystem::path& topic) {
    m_folder = folder;
    m_browser.SetFolder(folder);
    m_browser.setSource(QUrl::fromLocalFile(QString::fromStdString(topic.string())));
    show();
    raise();
    activateWindow();
}

void CHelpWindow::FollowLink(const QUrl& link) {
    const QUrl target = m_browser.source().resolved(link);
    if (target.isLocalFile()) {
        const auto inside = FileInside(m_folder, target.toLocalFile().toStdString());
        if (inside) {
            QUrl topic = QUrl::fromLocalFile(QString::fromStdString(inside->string()));
            topic.setFragment(target.fragment());
            m_browser.setSource(topic);
            return;
        }
    }
    if (m_opener) {
        (void)m_opener->Open(target.toString(QUrl::FullyEncoded).toStdString());
    }
}

void CHelpWindow::SetLinkOpenerForTests(std::unique_ptr<opener::ILinkOpener> opener) {
    m_opener = std::move(opener);
}

} // namespace help
