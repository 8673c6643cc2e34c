#pragma once
// The help viewer: a top-level window of its own (no owner) that shows one HTML topic at a time.
// Links to topics inside the help folder open in the window; every other link (web pages, files
// elsewhere) goes to the link opener, whose rules decide whether it opens at all.

#include "opener/ILinkOpener.h"

#include "help/CHelpBrowser.h"

#include <QWidget>

#include <filesystem>
#include <memory>

namespace help {

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    CHelpWindow();
    ~CHelpWindow() override;

    // Shows `topic`, a file inside the help folder `folder` (both canonical).
    void ShowTopic(const std::filesystem::path& folder, const std::filesystem::path& topic);
    [[nodiscard]] QUrl CurrentTopic() const { return m_browser.source(); }

    // What a click on a link in the shown topic does.
    void FollowLink(const QUrl& link);

    // Where a window of `size` goes beside `caller` (both frames) on a screen whose usable area is
    // `screen`: right of the caller with the tops level, else left of it, else as far right as
    // the screen allows; always inside the screen as far as the size permits.
    [[nodiscard]] static QPoint PlaceBeside(const QRect& caller, const QSize& size,
                                            const QRect& screen);
    // Moves the window beside `caller`, on the caller's screen.
    void MoveBeside(const QWidget& caller);

    // Tests: links that leave the help folder go to `opener` instead of the desktop's.
    void SetLinkOpenerForTests(std::unique_ptr<opener::ILinkOpener> opener);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CHelpBrowser m_browser;
    std::filesystem::path m_folder;
    std::unique_ptr<opener::ILinkOpener> m_opener;
};

} // namespace help
