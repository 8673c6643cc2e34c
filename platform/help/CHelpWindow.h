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

    // Tests: links that leave the help folder go to `opener` instead of the desktop's.
    void SetLinkOpenerForTests(std::unique_ptr<opener::ILinkOpener> opener);

private:
    CHelpBrowser m_browser;
    std::filesystem::path m_folder;
    std::unique_ptr<opener::ILinkOpener> m_opener;
};

} // namespace help
