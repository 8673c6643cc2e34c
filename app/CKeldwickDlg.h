#pragma once
// The main window: the property sheet with the sign-in page, and three buttons along the bottom
// (computer information, tutorial, troubleshooting). The About box is a window-menu command: it is
// offered from the window's context menu and from Ctrl+Shift+A, and dispatched by command id.

#include "app/CSignInPage.h"
#include "dialog/CPropertySheet.h"
#include "dialog/CTemplateDialog.h"
#include "names/IComputerNames.h"
#include "tooltip/window/CTipWindow.h"

#include <QAction>
#include <QIcon>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CKeldwickDlg : public dialog::CTemplateDialog {
    Q_OBJECT
public:
    // Makes the name queries for each opening of the computer information dialog.
    using NamesFactory = std::function<std::unique_ptr<names::IComputerNames>()>;

    static constexpr std::string_view kTutorialTopic = "html\\keldwick.html";
    static constexpr std::string_view kTroubleshootingTopic = "html\\keldwick_troubleshoot.html";
    static constexpr const char* kAboutShortcut = "Ctrl+Shift+A";

    explicit CKeldwickDlg(NamesFactory namesFactory, QWidget* parent = nullptr);

    // A window-menu command: ids 16 to 31 open the About box; close, minimise and restore do what
    // they say. Answers false for a command nobody handles.
    bool OnSysCommand(unsigned commandId);

    // The help viewer's reference to `topic` for the program at `executablePath`.
    [[nodiscard]] static std::string HelpReference(std::string_view executablePath,
                                                   std::string_view topic);

    [[nodiscard]] CSignInPage& SignInPage() { return m_signInPage; }
    [[nodiscard]] dialog::CPropertySheet& PageSheet() { return m_pageSheet; }
    [[nodiscard]] QAction* AboutAction() const { return m_aboutAction; }
    [[nodiscard]] tooltip::CTipWindow& ButtonTips() { return m_buttonTips; }

protected:
    void OnInitDialog() override;

private:
    void InstallAboutCommand();
    void CreateSheet();
    void OnShowComputerInfo();
    void OnShowTutorial();
    void OnShowTroubleshooting();
    void OpenHelpTopic(std::string_view topic);

    NamesFactory m_namesFactory;
    QAction* m_aboutAction = nullptr;

    QIcon m_appIcon;
    CSignInPage m_signInPage;
    dialog::CPropertySheet m_pageSheet;
    // Last among the members: made after the page and the sheet, destroyed first. Every input
    // event of the window reaches it before the window's own handling.
    tooltip::CTipWindow m_buttonTips;
};
