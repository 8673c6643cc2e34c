#include "dialog/CDialogBuilder.h"
#include "dialog/CPropertySheet.h"
#include "dialog/CTemplateDialog.h"

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace dialog {
namespace {

using enum ControlKind;

constexpr std::array kControls{
    ControlTemplate{1, PushButton, "OK", 10, 10, 40, 14, kTabStop | kDefault},
    ControlTemplate{kNoId, Static, "&Name && more", 10, 30, 60, 8, 0},
    ControlTemplate{10, Edit, "", 10, 40, 60, 14, kBorder | kTabStop},
    ControlTemplate{11, Frame, "", 3, 3, 20, 20, kHidden},
    ControlTemplate{12, Edit, "", 10, 60, 80, 40, kMultiLine | kTabStop | kVScroll},
    ControlTemplate{13, PushButton, "Skip", 100, 10, 40, 14, 0},
    ControlTemplate{2, PushButton, "Cancel", 100, 30, 40, 14, kTabStop},
    ControlTemplate{kNoId, Static, "R&D", 100, 50, 40, 8, kNoPrefix},
};

constexpr DialogTemplate kDialog{
    500, "Sample", 150, 110, "MS Shell Dlg", 8, kCaption | kSystemMenu | kModalFrame, kControls};

// Records whether its initialisation ran and how often.
class CCountingDialog : public CTemplateDialog {
public:
    CCountingDialog() : CTemplateDialog(kDialog) {}
    int m_initialisations = 0;
    bool m_controlsExistedAtInit = false;

protected:
    void OnInitDialog() override {
        ++m_initialisations;
        m_controlsExistedAtInit = Control(10) != nullptr;
    }
};

std::vector<int> TabChain(QWidget& host, QWidget* first) {
    std::vector<int> ids;
    QWidget* widget = first;
    do {
        if (widget->parentWidget() == &host && (widget->focusPolicy() & Qt::TabFocus) != 0) {
            ids.push_back(widget->objectName().toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return ids;
}

TEST(DialogBuilderTest, ControlsSitAtTheirTemplateRectanglesWithTheirIdentifiers) {
    CTemplateDialog dialog(kDialog);
    ASSERT_EQ(dialog.Units().x, 6);
    ASSERT_EQ(dialog.Units().y, 12);
    EXPECT_EQ(dialog.size(), QSize(225, 165));
    const QWidget* ok = dialog.Control(1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->geometry(), QRect(15, 15, 60, 21));
    EXPECT_EQ(dialog.Control(12)->geometry(), QRect(15, 90, 120, 60));
    EXPECT_TRUE(qobject_cast<const QPushButton*>(ok)->isDefault());
    EXPECT_NE(qobject_cast<QLineEdit*>(dialog.Control(10)), nullptr);
    EXPECT_NE(qobject_cast<QPlainTextEdit*>(dialog.Control(12)), nullptr);
    EXPECT_TRUE(dialog.Control(11)->isHidden());
    EXPECT_EQ(dialog.Control(99), nullptr);
}

TEST(DialogBuilderTest, TabVisitsOnlyTabStopsInTemplateOrder) {
    CTemplateDialog dialog(kDialog);
    EXPECT_EQ(TabChain(dialog, dialog.Control(1)), (std::vector<int>{1, 10, 12, 2}));
    EXPECT_EQ(dialog.Control(13)->focusPolicy(), Qt::ClickFocus);
}

TEST(DialogBuilderTest, LabelsHideMnemonicMarksUnlessTheyShowAmpersands) {
    CTemplateDialog dialog(kDialog);
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    // The label before an edit keeps its marker: as the edit's buddy it shows the mnemonic.
    EXPECT_TRUE(texts.contains(QStringLiteral("&Name && more")));
    EXPECT_TRUE(texts.contains(QStringLiteral("R&D")));
}

// Template tables of the labelling rule's own.
constexpr std::array kLabelled{
    ControlTemplate{kNoId, Static, "&User id:", 5, 5, 40, 8, 0},
    ControlTemplate{20, Edit, "", 50, 5, 60, 14, kBorder | kTabStop},
    ControlTemplate{kNoId, Static, "Colour  :", 5, 25, 40, 8, 0},
    ControlTemplate{21, ComboBox, "", 50, 25, 60, 14, kTabStop},
    ControlTemplate{kNoId, Static, "Sizes && &weights", 5, 45, 40, 8, 0},
    ControlTemplate{22, ListBox, "", 50, 45, 60, 30, kTabStop},
    ControlTemplate{kNoId, EtchedHorizontal, "", 5, 80, 100, 1, 0},
    ControlTemplate{23, Edit, "", 5, 85, 100, 30, kMultiLine | kReadOnly | kTabStop, 0, 900},
    ControlTemplate{24, Edit, "", 5, 120, 100, 14, kTabStop},
    ControlTemplate{25, PushButton, "&Go", 5, 140, 40, 14, kTabStop, 0, 900},
    ControlTemplate{kNoId, Static, "Trailing label:", 5, 160, 60, 8, 0},
};
constexpr DialogTemplate kLabelledDialog{
    501, "Labels", 150, 180, "MS Shell Dlg", 8, kCaption | kSystemMenu | kModalFrame, kLabelled};

std::string_view TestStrings(int id) {
    return id == 900 ? "Named by its string" : std::string_view();
}

TEST(DialogBuilderTest, BoxesTakeTheNameOfTheLabelBeforeThemAndOthersTheirOwnOrTheirString) {
    CDialogBuilder::SetStringLoader(TestStrings);
    CTemplateDialog dialog(kLabelledDialog);
    CDialogBuilder::SetStringLoader(nullptr);
    EXPECT_EQ(dialog.Control(20)->accessibleName(), QStringLiteral("User id"));
    EXPECT_EQ(dialog.Control(21)->accessibleName(), QStringLiteral("Colour"));
    EXPECT_EQ(dialog.Control(22)->accessibleName(), QStringLiteral("Sizes & weights"));
    // No label right before it: the name string; none at all: unnamed.
    EXPECT_EQ(dialog.Control(23)->accessibleName(), QStringLiteral("Named by its string"));
    EXPECT_EQ(dialog.Control(24)->accessibleName(), QString());
    // A button keeps its own text (Qt speaks its caption); the name string is not used.
    EXPECT_EQ(dialog.Control(25)->accessibleName(), QString());
    const auto buddies = [&dialog] {
        QList<QWidget*> found;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            found.push_back(label->buddy());
        }
        return found;
    }();
    EXPECT_TRUE(buddies.contains(dialog.Control(20)));
    EXPECT_TRUE(buddies.contains(dialog.Control(21)));
    EXPECT_TRUE(buddies.contains(dialog.Control(22)));
    EXPECT_EQ(CDialogBuilder::LabelName("  &Password :  ", false), QStringLiteral("Password"));
    EXPECT_EQ(CDialogBuilder::LabelName("R&D:", true), QStringLiteral("R&D"));
}

TEST(DialogBuilderTest, ALabelsMnemonicMovesTheFocusToItsBox) {
    CTemplateDialog dialog(kLabelledDialog);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.Control(25)->setFocus();
    QTest::keyClick(&dialog, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Control(20));
    QTest::keyClick(&dialog, Qt::Key_W, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Control(22));
}

TEST(DialogBuilderTest, SeparatorsAndFramesAreLeftOutOfTheAccessibleTree) {
    CTemplateDialog dialog(kDialog);
    CTemplateDialog labelled(kLabelledDialog);
    for (CTemplateDialog* each : {&dialog, &labelled}) {
        QAccessibleInterface* host = QAccessible::queryAccessibleInterface(each);
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->role(), QAccessible::Dialog);
        int children = 0;
        for (int i = 0; i < host->childCount(); ++i) {
            QAccessibleInterface* child = host->child(i);
            ASSERT_NE(child, nullptr);
            EXPECT_NE(child->role(), QAccessible::Separator);
            EXPECT_FALSE(qobject_cast<QFrame*>(child->object()) != nullptr &&
                         child->object()->metaObject() == &QFrame::staticMetaObject);
            EXPECT_EQ(host->indexOfChild(child), i);
            ++children;
        }
        EXPECT_GT(children, 0);
    }
}

TEST(DialogBuilderTest, MultiLineTextKeepsCrLfLineEndsOnTheWayInAndOut) {
    CTemplateDialog dialog(kDialog);
    QWidget& box = *dialog.Control(12);
    SetControlText(box, "first\r\nsecond\r\n");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(&box)->toPlainText(),
              QStringLiteral("first\nsecond\n"));
    EXPECT_EQ(ControlText(box), "first\r\nsecond\r\n");
    SetControlText(*dialog.Control(10), "caf\xC3\xA9");
    EXPECT_EQ(ControlText(*dialog.Control(10)), "caf\xC3\xA9");
}

TEST(TemplateDialogTest, InitialisationRunsOnceBeforeTheFirstShow) {
    CCountingDialog dialog;
    EXPECT_EQ(dialog.m_initialisations, 0);
    dialog.show();
    EXPECT_EQ(dialog.m_initialisations, 1);
    EXPECT_TRUE(dialog.m_controlsExistedAtInit);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.m_initialisations, 1);
}

TEST(TemplateDialogTest, OkAcceptsCancelRejectsAndEnterInAMultiLineBoxPressesTheDefault) {
    {
        CTemplateDialog dialog(kDialog);
        QTimer::singleShot(0, &dialog,
                           [&] { qobject_cast<QPushButton*>(dialog.Control(1))->click(); });
        EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
    }
    {
        CTemplateDialog dialog(kDialog);
        QTimer::singleShot(0, &dialog,
                           [&] { qobject_cast<QPushButton*>(dialog.Control(2))->click(); });
        EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
    }
    {
        CTemplateDialog dialog(kDialog);
        QTimer::singleShot(0, &dialog, [&] {
            QWidget* box = dialog.Control(12);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
        });
        EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
        EXPECT_EQ(ControlText(*dialog.Control(12)), "");
    }
}

// A page that counts its initialisations.
class CCountingPage : public CPropertyPage {
public:
    explicit CCountingPage(const DialogTemplate& page) : CPropertyPage(page) {}
    int m_initialisations = 0;

protected:
    void OnInitDialog() override { ++m_initialisations; }
};

constexpr std::array kPageControls{
    ControlTemplate{20, Edit, "", 6, 6, 100, 14, kBorder | kTabStop},
};
constexpr DialogTemplate kPageA{600, "First", 200, 100, "MS Shell Dlg", 8, kChild, kPageControls};
constexpr DialogTemplate kPageB{601, "Second page", 160,          120, "MS Shell Dlg",
                                8,   kChild,        kPageControls};

TEST(PropertySheetTest, PagesInitialiseOnFirstActivationOnlyAndOneIsShownAtATime) {
    QWidget host;
    CCountingPage first(kPageA);
    CCountingPage second(kPageB);
    CPropertySheet sheet;
    sheet.AddPage(first);
    sheet.AddPage(second);
    sheet.Create(host);
    EXPECT_EQ(first.m_initialisations, 0);
    sheet.SetActivePage(1);
    sheet.SetActivePage(0);
    sheet.SetActivePage(1);
    EXPECT_EQ(first.m_initialisations, 1);
    EXPECT_EQ(second.m_initialisations, 1);
    EXPECT_EQ(sheet.ActiveIndex(), 1);
    EXPECT_TRUE(first.isHidden());
    EXPECT_FALSE(second.isHidden());
    sheet.SetActivePage(7); // out of range: nothing changes
    EXPECT_EQ(sheet.ActiveIndex(), 1);

    // Clicking a tab shows its page.
    const QRect firstTab = sheet.Tabs().TabRects(sheet.Tabs().width())[0];
    QTest::mouseClick(&sheet.Tabs(), Qt::LeftButton, {}, firstTab.center());
    EXPECT_EQ(sheet.ActiveIndex(), 0);
    EXPECT_FALSE(first.isHidden());
    EXPECT_TRUE(second.isHidden());
}

TEST(PropertySheetTest, TheSheetFitsItsLargestPageInsideItsMargin) {
    QWidget host;
    CCountingPage first(kPageA);  // 300 x 150 pixels
    CCountingPage second(kPageB); // 240 x 180 pixels
    CPropertySheet sheet;
    sheet.AddPage(first);
    sheet.AddPage(second);
    sheet.Create(host);
    const QRect pages = sheet.PageRect();
    EXPECT_EQ(pages.size(), QSize(300, 180));
    EXPECT_GT(pages.top(), CPropertySheet::kMargin + sheet.Tabs().height() - 1);
    EXPECT_EQ(first.pos(), pages.topLeft());
    EXPECT_EQ(sheet.width() - pages.right() - 1, pages.left());
    EXPECT_EQ(sheet.parentWidget(), &host);
}

TEST(PropertySheetTest, StackedTabsWrapIntoFullRowsThatDoNotOverlap) {
    QWidget host;
    std::vector<std::unique_ptr<CCountingPage>> pages;
    CPropertySheet sheet;
    for (int i = 0; i < 12; ++i) {
        pages.push_back(std::make_unique<CCountingPage>(kPageB));
        sheet.AddPage(*pages.back());
    }
    sheet.SetStackedTabs(true);
    sheet.Create(host);
    const int width = sheet.Tabs().width();
    ASSERT_GT(sheet.Tabs().RowCount(width), 1);
    const std::vector<QRect> rects = sheet.Tabs().TabRects(width);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_LE(rects[i].right(), width - 1);
        for (std::size_t j = i + 1; j < rects.size(); ++j) {
            EXPECT_FALSE(rects[i].intersects(rects[j])) << i << " and " << j;
        }
    }
    // The active tab's row touches the page.
    EXPECT_EQ(rects[0].bottom(), sheet.Tabs().height() - 1);
}

TEST(PropertySheetTest, PagesOutliveTheSheetThatShowedThem) {
    auto page = std::make_unique<CCountingPage>(kPageA);
    {
        QWidget host;
        CPropertySheet sheet;
        sheet.AddPage(*page);
        sheet.Create(host);
        sheet.SetActivePage(0);
    }
    EXPECT_EQ(page->parentWidget(), nullptr);
    EXPECT_NE(page->Control(20), nullptr);
}

TEST(TemplateDialogTest, ABorderlessMultiLineBoxShowsWhenItHasTheFocus) {
    CCountingDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.Control(12));
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->frameShape(), QFrame::NoFrame);
    const QColor highlight = box->palette().color(QPalette::Highlight);
    const auto edgeIsHighlighted = [&] {
        const QImage image = box->viewport()->grab().toImage();
        const int middle = image.height() / 2;
        return image.pixelColor(1, middle) == highlight &&
               image.pixelColor(image.width() / 2, 1) == highlight;
    };
    dialog.Control(10)->setFocus();
    EXPECT_FALSE(edgeIsHighlighted());
    QTest::keyClick(dialog.Control(10), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box);
    EXPECT_TRUE(edgeIsHighlighted());
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_FALSE(edgeIsHighlighted());
}

TEST(TemplateDialogTest, OnlyTheTemplatesDefaultButtonIsEverTheDefault) {
    CCountingDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* ok = qobject_cast<QPushButton*>(dialog.Control(1));
    auto* cancel = qobject_cast<QPushButton*>(dialog.Control(2));
    cancel->setFocus();
    dialog.Control(10)->setFocus();
    EXPECT_TRUE(ok->isDefault());
    EXPECT_FALSE(cancel->isDefault());
    EXPECT_FALSE(cancel->autoDefault());
}

} // namespace
} // namespace dialog
