#pragma once
// The tab strip of a property sheet. With stacked tabs it wraps into rows (see TabRows.h) and each
// row of several stretches to the full width; otherwise it is one row.

#include <QRect>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace dialog {

class CSheetTabs : public QWidget {
    Q_OBJECT
public:
    explicit CSheetTabs(QWidget* parent = nullptr);

    void AddTab(const QString& caption);
    void SetStacked(bool stacked);
    void SetCurrent(int index);
    [[nodiscard]] int Current() const { return m_current; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_captions.size()); }
    [[nodiscard]] QString Caption(int index) const { return m_captions.value(index); }

    // Each tab's rectangle when the strip is `width` pixels wide, in tab order.
    [[nodiscard]] std::vector<QRect> TabRects(int width) const;
    [[nodiscard]] int RowCount(int width) const;

    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;
    [[nodiscard]] QSize sizeHint() const override;

signals:
    void CurrentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] std::vector<int> NaturalWidths() const;
    [[nodiscard]] QSize TabSize(const QString& caption) const;
    [[nodiscard]] int RowHeight() const;

    QStringList m_captions;
    int m_current = -1;
    bool m_stacked = false;
};

} // namespace dialog
