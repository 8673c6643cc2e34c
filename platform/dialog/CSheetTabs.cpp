#include "dialog/CSheetTabs.h"

#include "dialog/TabRows.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTab>

#include <limits>

namespace dialog {

CSheetTabs::CSheetTabs(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CSheetTabs::AddTab(const QString& caption) {
    m_captions.push_back(caption);
    if (m_current < 0) {
        m_current = 0;
    }
    updateGeometry();
    update();
}

void CSheetTabs::SetStacked(bool stacked) {
    m_stacked = stacked;
    updateGeometry();
    update();
}

void CSheetTabs::SetCurrent(int index) {
    if (index < 0 || index >= Count() || index == m_current) {
        return;
    }
    m_current = index;
    update();
    if (QAccessible::isActive() && hasFocus()) {
        // A screen reader follows the focus from tab to tab as the arrows move it.
        QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(this);
        if (QAccessibleInterface* tab = strip != nullptr ? strip->child(index) : nullptr) {
            QAccessibleEvent event(tab, QAccessible::Focus);
            QAccessible::updateAccessibility(&event);
        }
    }
    emit CurrentChanged(index);
}

std::vector<int> CSheetTabs::NaturalWidths() const {
    std::vector<int> widths;
    for (const QString& caption : m_captions) {
        widths.push_back(TabSize(caption).width());
    }
    return widths;
}

QSize CSheetTabs::TabSize(const QString& caption) const {
    QStyleOptionTab option;
    option.initFrom(this);
    option.text = caption;
    option.shape = QTabBar::RoundedNorth;
    // The caption plus the style's own room around it, as a tab bar measures a tab.
    const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
    const QSize text(fontMetrics().size(Qt::TextShowMnemonic, caption).width() + hspace,
                     fontMetrics().height() + vspace);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &option, text, this);
}

int CSheetTabs::RowHeight() const {
    return TabSize(QStringLiteral("X")).height();
}

std::vector<QRect> CSheetTabs::TabRects(int width) const {
    const std::vector<int> widths = NaturalWidths();
    const int available = m_stacked ? width : std::numeric_limits<int>::max();
    const auto rows = LayoutTabRows(widths, available, m_current);
    std::vector<QRect> rects(widths.size());
    const int height = RowHeight();
    for (std::size_t row = 0; row < rows.size(); ++row) {
        int natural = 0;
        for (int index : rows[row]) {
            natural += widths[static_cast<std::size_t>(index)];
        }
        // Rows of a stacked strip share out the spare width so that every row is full.
        const bool stretch = rows.size() > 1 && natural < width;
        const int spare = stretch ? width - natural : 0;
        const int count = static_cast<int>(rows[row].size());
        int x = 0;
        for (int i = 0; i < count; ++i) {
            const int index = rows[row][static_cast<std::size_t>(i)];
            int tabWidth = widths[static_cast<std::size_t>(index)] + spare / count;
            if (stretch && i == count - 1) {
                tabWidth = width - x;
            }
            rects[static_cast<std::size_t>(index)] =
                QRect(x, static_cast<int>(row) * height, tabWidth, height);
            x += tabWidth;
        }
    }
    return rects;
}

int CSheetTabs::RowCount(int width) const {
    if (!m_stacked) {
        return Count() > 0 ? 1 : 0;
    }
    return static_cast<int>(LayoutTabRows(NaturalWidths(), width, m_current).size());
}

int CSheetTabs::heightForWidth(int width) const {
    return RowCount(width) * RowHeight();
}

QSize CSheetTabs::sizeHint() const {
    int width = 0;
    for (int natural : NaturalWidths()) {
        width += natural;
    }
    return QSize(width, RowHeight());
}

void CSheetTabs::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const std::vector<QRect> rects = TabRects(width());
    for (int index = 0; index < Count(); ++index) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.rect = rects[static_cast<std::size_t>(index)];
        option.text = m_captions[index];
        option.shape = QTabBar::RoundedNorth;
        option.position = QStyleOptionTab::Middle;
        option.state.setFlag(QStyle::State_Selected, index == m_current);
        option.state.setFlag(QStyle::State_HasFocus, index == m_current && hasFocus());
        style()->drawControl(QStyle::CE_TabBarTab, &option, &painter, this);
    }
}

void CSheetTabs::mousePressEvent(QMouseEvent* event) {
    const std::vector<QRect> rects = TabRects(width());
    for (int index = 0; index < Count(); ++index) {
        if (rects[static_cast<std::size_t>(index)].contains(event->position().toPoint())) {
            SetCurrent(index);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

void CSheetTabs::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left && m_current > 0) {
        SetCurrent(m_current - 1);
    } else if (event->key() == Qt::Key_Right && m_current + 1 < Count()) {
        SetCurrent(m_current + 1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

} // namespace dialog
