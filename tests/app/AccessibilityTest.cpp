// What a screen reader finds in Keldwick's windows, walked through Qt's accessibility interfaces
// (the same ones the desktop's accessibility bus reads), no bus needed.

#include "app/CAboutDlg.h"
#include "app/CKeldwickDlg.h"
#include "app/CNameInfoDlg.h"
#include "platform/names/FakeComputerNames.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

namespace {

struct Spoken {
    QAccessible::Role role;
    std::string name;
};

// Every focusable object under `root`, by its control identifier (the tab list and tabs by role).
std::map<std::string, Spoken> FocusableObjects(QAccessibleInterface* root) {
    std::map<std::string, Spoken> found;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (child == nullptr) {
                ADD_FAILURE() << "a missing child under "
                              << node->text(QAccessible::Name).toStdString();
                continue;
            }
            // Nothing the tree holds is an unnamed frame or separator.
            EXPECT_NE(child->role(), QAccessible::Separator);
            if (child->state().focusable && !child->state().invisible) {
                const std::string key = child->object() != nullptr
                                            ? child->object()->objectName().toStdString()
                                            : "tab:" + child->text(QAccessible::Name).toStdString();
                const std::string description = child->text(QAccessible::Description).toStdString();
                // A description, where there is one, is plain text: the tip without its markup.
                EXPECT_EQ(description.find('<'), std::string::npos) << key << ": " << description;
                found[key.empty() ? "(no id)" : key] =
                    Spoken{child->role(), child->text(QAccessible::Name).toStdString()};
            }
            walk(child);
        }
    };
    walk(root);
    return found;
}

void ExpectSpoken(QWidget& window, const std::map<std::string, Spoken>& expected) {
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->role(), QAccessible::Dialog);
    EXPECT_FALSE(root->text(QAccessible::Name).isEmpty());
    const auto found = FocusableObjects(root);
    for (const auto& [key, spoken] : found) {
        EXPECT_FALSE(spoken.name.empty()) << key << " has no name";
        const auto it = expected.find(key);
        if (it == expected.end()) {
            ADD_FAILURE() << "unexpected focusable object " << key << " (" << spoken.name
                          << ", role " << spoken.role << ")";
            continue;
        }
        EXPECT_EQ(spoken.role, it->second.role) << key;
        EXPECT_EQ(spoken.name, it->second.name) << key;
    }
    for (const auto& [key, spoken] : expected) {
        EXPECT_TRUE(found.contains(key)) << key << " (" << spoken.name << ") is not reachable";
    }
}

CKeldwickDlg::NamesFactory FakeNames() {
    return [] { return std::make_unique<CFakeComputerNames>(); };
}

TEST(AccessibilityTest, EveryFocusableControlOfTheMainWindowAndItsPageIsNamed) {
    CKeldwickDlg window(FakeNames());
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    using enum QAccessible::Role;
    ExpectSpoken(window, {
                             {"1027", {Button, "Show My Computer Name Info"}},
                             {"1028", {Button, "Keldwick Tutorial"}},
                             {"1029", {Button, "I need help with this"}},
                             {"tabs", {PageTabList, "Account"}},
                             {"tab:Account", {PageTab, "Account"}},
                             {"1000", {EditableText, "User id"}},
                             {"1001", {Button, "Sign In"}},
                             {"1020", {EditableText, "password"}},
                             {"1021", {Button, "Email My Password"}},
                             {"1005", {EditableText, "Status"}},
                         });
}

TEST(AccessibilityTest, ThePageIsAPropertyPageNamedByItsTab) {
    CKeldwickDlg window(FakeNames());
    window.EnsureInitialised();
    QAccessibleInterface* page = QAccessible::queryAccessibleInterface(&window.SignInPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->role(), QAccessible::PropertyPage);
    EXPECT_EQ(page->text(QAccessible::Name), QStringLiteral("Account"));
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(&window.PageSheet().Tabs());
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->childCount(), 1);
    EXPECT_TRUE(tabs->child(0)->state().selected);
    EXPECT_EQ(tabs->indexOfChild(tabs->child(0)), 0);
    EXPECT_EQ(tabs->child(0)->parent(), tabs);
}

TEST(AccessibilityTest, TheAboutBoxAndTheComputerInformationDialogAreNamed) {
    using enum QAccessible::Role;
    CAboutDlg about;
    about.show();
    ExpectSpoken(about, {{"1", {Button, "OK"}}});
    CFakeComputerNames names;
    CNameInfoDlg info(names);
    info.show();
    ExpectSpoken(info, {{"1", {Button, "OK"}}, {"1025", {EditableText, "Computer names"}}});
}

} // namespace
