// Every window's controls: identifiers, pixel rectangles (the dialog font's base units are 6 x 12,
// so a dialog unit is 1.5 pixels both ways, rounded half away from zero) and tab order.

#include "app/CAboutDlg.h"
#include "app/CKeldwickDlg.h"
#include "app/CNameInfoDlg.h"
#include "app/CSignInPage.h"
#include "dialog/CDialogBuilder.h"
#include "platform/names/FakeComputerNames.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "res/Version.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

struct Expected {
    int id;
    QRect rect;
    std::string text;
};

constexpr int kNoId = -1;

void ExpectControls(const QWidget& host, const std::vector<Expected>& expected) {
    const QList<QWidget*> controls = host.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(controls.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const QWidget& control = *controls[static_cast<qsizetype>(i)];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(control.objectName().toInt(), expected[i].id);
        EXPECT_EQ(control.geometry(), expected[i].rect);
        EXPECT_EQ(dialog::ControlText(control), expected[i].text);
    }
}

std::vector<int> TabOrder(const QWidget& host, int firstId) {
    std::vector<int> ids;
    QWidget* first = dialog::FindControl(host, firstId);
    QWidget* widget = first;
    do {
        if (widget->parentWidget() == &host && (widget->focusPolicy() & Qt::TabFocus) != 0 &&
            !widget->isHidden()) {
            ids.push_back(widget->objectName().toInt());
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    return ids;
}

bool IsDefault(const QWidget* control) {
    const auto* button = qobject_cast<const QPushButton*>(control);
    return button != nullptr && button->isDefault();
}

TEST(MainWindowTemplateTest, PlaceholderSeparatorAndThreeButtons) {
    CKeldwickDlg window([] { return std::make_unique<CFakeComputerNames>(); });
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Nimbrel FTP Server Keldwick"));
    EXPECT_EQ(window.size(), QSize(497, 467));
    ExpectControls(window, {
                               {1008, QRect(5, 5, 477, 383), ""},
                               {kNoId, QRect(5, 428, 486, 2), ""},
                               {1027, QRect(315, 437, 170, 21), "Show My Computer Name Info"},
                               {1028, QRect(9, 437, 140, 21), "Keldwick Tutorial"},
                               {1029, QRect(162, 437, 144, 21), "I need help with this"},
                           });
    EXPECT_TRUE(window.Control(1008)->isHidden());
    EXPECT_EQ(TabOrder(window, 1027), (std::vector<int>{1027, 1028, 1029}));
    for (int id : {1027, 1028, 1029}) {
        EXPECT_FALSE(IsDefault(window.Control(id))) << id;
    }
}

TEST(AboutBoxTemplateTest, IconTwoLinesAndDefaultOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Keldwick"));
    EXPECT_EQ(about.size(), QSize(353, 83));
    ExpectControls(about,
                   {
                       {kNoId, QRect(17, 26, 32, 32), ""},
                       {kNoId, QRect(60, 15, 179, 12), "Keldwick Version 1.0"},
                       {kNoId, QRect(60, 38, 179, 12), std::string("Release ") + res::kFileVersion},
                       {1, QRect(267, 11, 75, 24), "OK"},
                   });
    const auto* icon = qobject_cast<const QLabel*>(
        about.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).front());
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_TRUE(IsDefault(about.Control(1)));
    EXPECT_EQ(TabOrder(about, 1), (std::vector<int>{1}));
}

TEST(NameInfoTemplateTest, LabelEditableBoxAndDefaultOk) {
    CFakeComputerNames names;
    CNameInfoDlg dialog(names);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Computer Information"));
    EXPECT_EQ(dialog.size(), QSize(357, 224));
    ExpectControls(dialog, {
                               {1, QRect(275, 194, 75, 21), "OK"},
                               {1025, QRect(9, 18, 338, 167), ""},
                               {kNoId, QRect(9, 5, 138, 12), "Computer Name Information"},
                           });
    const auto* box = qobject_cast<const QPlainTextEdit*>(dialog.Control(1025));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isReadOnly());
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(IsDefault(dialog.Control(1)));
    EXPECT_EQ(TabOrder(dialog, 1), (std::vector<int>{1, 1025}));
}

TEST(SignInPageTemplateTest, BoxesButtonsSeparatorsAndStatusBox) {
    CSignInPage page;
    EXPECT_EQ(page.size(), QSize(477, 383));
    ExpectControls(page, {
                             {kNoId, QRect(30, 14, 39, 12), "User id:"},
                             {1000, QRect(72, 9, 248, 21), ""},
                             {1001, QRect(329, 9, 140, 21), "Sign In"},
                             {kNoId, QRect(18, 41, 51, 12), "password:"},
                             {1020, QRect(72, 36, 248, 21), ""},
                             {1021, QRect(329, 36, 140, 21), "Email My Password"},
                             {kNoId, QRect(18, 63, 449, 2), ""},
                             {kNoId, QRect(18, 257, 447, 2), ""},
                             {1005, QRect(18, 261, 446, 113), ""},
                         });
    EXPECT_EQ(TabOrder(page, 1000), (std::vector<int>{1000, 1001, 1020, 1021, 1005}));
    // The password shows in plain text.
    const auto* password = qobject_cast<const QLineEdit*>(page.Control(1020));
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->echoMode(), QLineEdit::Normal);
    const auto* status = qobject_cast<const QPlainTextEdit*>(page.Control(1005));
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isReadOnly());
    EXPECT_EQ(status->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(status->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_FALSE(page.Caption().isEmpty());
    // The Sign In tip sends the user to the boxes where they are: to its left, not above it.
    const std::string tip(res::LoadString(res::IDS_TIP_SIGN_IN));
    EXPECT_LT(page.Control(1020)->geometry().right(), page.Control(1001)->geometry().left());
    EXPECT_NE(tip.find("to the left"), std::string::npos) << tip;
    EXPECT_EQ(tip.find("above"), std::string::npos) << tip;
}

} // namespace
