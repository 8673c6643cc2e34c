#pragma once
// The help window's page: a text browser that loads pictures and style sheets of a topic only from
// inside the help folder, so a topic cannot pull in (and show) any other local file.

#include <QTextBrowser>

#include <filesystem>

namespace help {

class CHelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit CHelpBrowser(QWidget* parent = nullptr);

    // The canonical help folder; resources outside it are not loaded.
    void SetFolder(const std::filesystem::path& folder) { m_folder = folder; }

    [[nodiscard]] QVariant loadResource(int type, const QUrl& name) override;

private:
    std::filesystem::path m_folder;
};

} // namespace help
