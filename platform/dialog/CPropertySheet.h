#pragma once
// A modeless property sheet that lives as a child window: a tab strip over a framed page area,
// inside a margin of kMargin pixels, with no buttons of its own. It does not own its pages; the
// owner keeps them alive and calls DetachPages before a page dies after the sheet.

#include "dialog/CPropertyPage.h"
#include "dialog/CSheetTabs.h"

#include <QWidget>

#include <vector>

namespace dialog {

class CPropertySheet : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 7;
    // Room between the page frame's line and the page, as a tab control's display area keeps
    // inside its border: the frame then spans the width the dialog templates leave for it.
    static constexpr int kPagePadding = 3;

    explicit CPropertySheet(QWidget* parent = nullptr);
    ~CPropertySheet() override;

    void AddPage(CPropertyPage& page);
    // Tabs wrap into rows instead of scrolling.
    void SetStackedTabs(bool stacked);

    // Becomes a visible child of `parent`, sized for its largest page and its tabs.
    void Create(QWidget& parent);

    // Shows page `index` (initialising it the first time) and hides the others.
    void SetActivePage(int index);
    [[nodiscard]] int ActiveIndex() const { return m_tabs.Current(); }
    [[nodiscard]] int PageCount() const { return static_cast<int>(m_pages.size()); }
    [[nodiscard]] CPropertyPage* Page(int index) const;
    [[nodiscard]] const CSheetTabs& Tabs() const { return m_tabs; }
    [[nodiscard]] CSheetTabs& Tabs() { return m_tabs; }
    // The rectangle that pages occupy, in the sheet's coordinates.
    [[nodiscard]] QRect PageRect() const;
    // The page frame drawn around PageRect, in the sheet's coordinates.
    [[nodiscard]] QRect FrameRect() const;

    void DetachPages();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ShowPage(int index);
    void Relayout();
    [[nodiscard]] QSize LargestPage() const;
    [[nodiscard]] int FrameWidth() const;
    // The frame's line and the padding inside it: the page's inset on each side.
    [[nodiscard]] int PageInset() const { return FrameWidth() + kPagePadding; }

    CSheetTabs m_tabs;
    std::vector<CPropertyPage*> m_pages;
};

} // namespace dialog
