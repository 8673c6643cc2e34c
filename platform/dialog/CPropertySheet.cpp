#include "dialog/CPropertySheet.h"

#include <QPainter>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>

#include <algorithm>

namespace dialog {

CPropertySheet::CPropertySheet(QWidget* parent) : QWidget(parent), m_tabs(this) {
    // The tab strip takes the focus, not the sheet: the sheet itself is nothing a screen reader
    // should stop at.
    setFocusPolicy(Qt::NoFocus);
    setFocusProxy(&m_tabs);
    m_tabs.setObjectName(QStringLiteral("tabs"));
    connect(&m_tabs, &CSheetTabs::CurrentChanged, this, &CPropertySheet::ShowPage);
    // Ctrl+Tab and Ctrl+PgDn step through the pages wherever the focus is inside the sheet.
    const auto step = [this](int delta) {
        if (PageCount() > 0) {
            SetActivePage((ActiveIndex() + delta + PageCount()) % PageCount());
        }
    };
    for (const auto& [keys, delta] :
         {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [step, by = delta] { step(by); });
    }
}

CPropertySheet::~CPropertySheet() {
    DetachPages();
}

void CPropertySheet::AddPage(CPropertyPage& page) {
    page.setParent(this);
    page.hide();
    m_pages.push_back(&page);
    m_tabs.AddTab(page.Caption());
    Relayout();
}

void CPropertySheet::SetStackedTabs(bool stacked) {
    m_tabs.SetStacked(stacked);
    Relayout();
}

void CPropertySheet::Create(QWidget& parent) {
    setParent(&parent);
    Relayout();
    show();
}

void CPropertySheet::SetActivePage(int index) {
    if (index < 0 || index >= PageCount()) {
        return;
    }
    {
        // The strip reports only the user's choices; this one is shown right here.
        const QSignalBlocker quiet(m_tabs);
        m_tabs.SetCurrent(index);
    }
    ShowPage(index);
}

void CPropertySheet::ShowPage(int index) {
    CPropertyPage* page = Page(index);
    if (page == nullptr) {
        return;
    }
    page->EnsureInitialised();
    for (CPropertyPage* other : m_pages) {
        if (other != page) {
            other->hide();
        }
    }
    // The active tab's row moves next to the page, which may change the strip's height.
    Relayout();
    page->show();
}

CPropertyPage* CPropertySheet::Page(int index) const {
    if (index < 0 || index >= PageCount()) {
        return nullptr;
    }
    return m_pages[static_cast<std::size_t>(index)];
}

QRect CPropertySheet::PageRect() const {
    const int inset = PageInset();
    const QSize page = LargestPage();
    const int top = m_tabs.geometry().bottom() + 1 + inset;
    return QRect(kMargin + inset, top, page.width(), page.height());
}

QRect CPropertySheet::FrameRect() const {
    const int inset = PageInset();
    return PageRect().adjusted(-inset, -inset, inset, inset);
}

void CPropertySheet::DetachPages() {
    for (CPropertyPage* page : m_pages) {
        if (page->parent() == this) {
            page->hide();
            page->setParent(nullptr);
        }
    }
    m_pages.clear();
}

void CPropertySheet::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = FrameRect();
    option.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, this);
}

void CPropertySheet::Relayout() {
    const QSize page = LargestPage();
    const int inset = PageInset();
    const int width = page.width() + 2 * inset;
    const int tabsHeight = m_tabs.heightForWidth(width);
    m_tabs.setGeometry(kMargin, kMargin, width, tabsHeight);
    const QRect pageRect = PageRect();
    for (CPropertyPage* each : m_pages) {
        each->move(pageRect.topLeft());
    }
    setFixedSize(width + 2 * kMargin, tabsHeight + page.height() + 2 * inset + 2 * kMargin);
    update();
}

QSize CPropertySheet::LargestPage() const {
    QSize largest(0, 0);
    for (const CPropertyPage* page : m_pages) {
        largest = largest.expandedTo(page->size());
    }
    return largest;
}

int CPropertySheet::FrameWidth() const {
    return std::max(1, style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
}

} // namespace dialog
