#include "app/CKeldwickDlg.h"

#include "app/CAboutDlg.h"
#include "app/CNameInfoDlg.h"
#include "app/WindowTips.h"
#include "dialog/CDialogBuilder.h"
#include "help/HtmlHelp.h"
#include "help/PathParts.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/StringTable.h"

#include <QAbstractButton>

namespace {

// Window-menu commands besides the About box, by their ids.
constexpr unsigned kScMinimize = 0xF020;
constexpr unsigned kScClose = 0xF060;
constexpr unsigned kScRestore = 0xF120;

constexpr WindowTipTool kButtonTools[] = {
    {res::IDC_SHOW_COMPUTER_INFO, res::IDS_TIP_SHOW_COMPUTER_INFO},
    {res::IDC_SHOW_TUTORIAL, res::IDS_TIP_SHOW_TUTORIAL},
    {res::IDC_SHOW_TROUBLESHOOTING, res::IDS_TIP_SHOW_TROUBLESHOOTING},
};

} // namespace

CKeldwickDlg::CKeldwickDlg(NamesFactory namesFactory, QWidget* parent)
    : dialog::CTemplateDialog(res::MainDialogTemplate(), parent),
      m_namesFactory(std::move(namesFactory)),
      m_buttonTips(WindowTipSystem(), WindowTipServices()) {
    m_appIcon = dialog::CDialogBuilder::LoadIcon(res::IDR_MAINFRAME);
    const auto connectButton = [this](int id, void (CKeldwickDlg::*handler)()) {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
            connect(button, &QAbstractButton::clicked, this, handler);
        }
    };
    connectButton(res::IDC_SHOW_COMPUTER_INFO, &CKeldwickDlg::OnShowComputerInfo);
    connectButton(res::IDC_SHOW_TUTORIAL, &CKeldwickDlg::OnShowTutorial);
    connectButton(res::IDC_SHOW_TROUBLESHOOTING, &CKeldwickDlg::OnShowTroubleshooting);
}

void CKeldwickDlg::OnInitDialog() {
    SetUpWindowTips(
        m_buttonTips, *this, [this](int id) { return Control(id); }, kButtonTools);
    InstallAboutCommand();
    setWindowIcon(m_appIcon);
    CreateSheet();
}

void CKeldwickDlg::InstallAboutCommand() {
    const std::string_view text = res::LoadString(res::IDS_ABOUTBOX);
    if (text.empty()) {
        return;
    }
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    addAction(separator);
    m_aboutAction =
        new QAction(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), this);
    m_aboutAction->setShortcut(QKeySequence(QString::fromLatin1(kAboutShortcut)));
    m_aboutAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_aboutAction, &QAction::triggered, this, [this] { OnSysCommand(res::IDM_ABOUTBOX); });
    addAction(m_aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CKeldwickDlg::CreateSheet() {
    QWidget* placeholder = Control(res::IDC_SHEET_PLACEHOLDER);
    const QRect area = placeholder != nullptr ? placeholder->geometry() : QRect();
    m_pageSheet.AddPage(m_signInPage);
    m_pageSheet.SetStackedTabs(true);
    m_pageSheet.Create(*this);
    m_pageSheet.move(area.left() - dialog::CPropertySheet::kMargin,
                     area.top() - dialog::CPropertySheet::kMargin);
    // Every page is made active once, last to first, so that each page's own initialisation has
    // run before the window is first shown and the first page ends up active.
    for (int index = m_pageSheet.PageCount() - 1; index >= 0; --index) {
        m_pageSheet.SetActivePage(index);
    }
}

bool CKeldwickDlg::OnSysCommand(unsigned commandId) {
    switch (commandId & 0xFFF0u) {
    case res::IDM_ABOUTBOX: {
        CAboutDlg about(this);
        about.DoModal();
        return true;
    }
    case kScClose:
        reject();
        return true;
    case kScMinimize:
        showMinimized();
        return true;
    case kScRestore:
        showNormal();
        return true;
    default:
        return false;
    }
}

void CKeldwickDlg::OnShowComputerInfo() {
    const std::unique_ptr<names::IComputerNames> names = m_namesFactory();
    if (!names) {
        return;
    }
    CNameInfoDlg dialog(*names, this);
    (void)dialog.DoModal();
}

void CKeldwickDlg::OnShowTutorial() {
    OpenHelpTopic(kTutorialTopic);
}

void CKeldwickDlg::OnShowTroubleshooting() {
    OpenHelpTopic(kTroubleshootingTopic);
}

std::string CKeldwickDlg::HelpReference(std::string_view executablePath, std::string_view topic) {
    const help::PathParts parts = help::SplitPath(executablePath);
    // "<drive><directory>nimbrel.chm", then "<help file>::/<topic>".
    const std::string helpFile = parts.drive + parts.directory + "nimbrel.chm";
    return helpFile + "::/" + std::string(topic);
}

void CKeldwickDlg::OpenHelpTopic(std::string_view topic) {
    const std::string reference = HelpReference(help::ExecutablePath(), topic);
    // The help window belongs to no window of ours but opens beside this one; a missing topic
    // shows nothing.
    (void)help::HtmlHelp(this, reference, help::kHhDisplayTopic, 0);
}
