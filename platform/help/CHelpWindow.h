#pragma once
// The help viewer: a top-level window of its own (no owner) that shows one HTML topic at a time
// and follows links between topics.

#include <QTextBrowser>
#include <QWidget>

#include <filesystem>

namespace help {

class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    CHelpWindow();

    void ShowTopic(const std::filesystem::path& topic);
    [[nodiscard]] QUrl CurrentTopic() const { return m_browser.source(); }

private:
    QTextBrowser m_browser;
};

} // namespace help
