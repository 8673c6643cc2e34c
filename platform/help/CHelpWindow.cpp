#include "help/CHelpWindow.h"

#include "help/HelpReference.h"
#include "opener/CXdgOpener.h"

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

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

void CHelpWindow::keyPressEvent(QKeyEvent* event) {
    // Esc closes the window in front, as in every other window of the program; the topic view
    // passes the key on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QPoint CHelpWindow::PlaceBeside(const QRect& caller, const QSize& size, const QRect& screen) {
    constexpr int kGap = 8;
    int x = caller.right() + 1 + kGap;
    if (x + size.width() > screen.right() + 1 &&
        caller.left() - kGap - size.width() >= screen.left()) {
        x = caller.left() - kGap - size.width();
    }
    // Clamped to the right edge first, so that a window wider than the screen keeps its left.
    x = std::max(std::min(x, screen.right() + 1 - size.width()), screen.left());
    const int y =
        std::max(std::min(caller.top(), screen.bottom() + 1 - size.height()), screen.top());
    return {x, y};
}

void CHelpWindow::MoveBeside(const QWidget& caller) {
    const QWidget& window = *caller.window();
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    move(PlaceBeside(window.frameGeometry(), frameGeometry().size(), screen->availableGeometry()));
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
