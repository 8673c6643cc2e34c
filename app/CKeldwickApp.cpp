#include "app/CKeldwickApp.h"

#include "app/AppIcon.h"
#include "app/CKeldwickDlg.h"
#include "dialog/CDialogBuilder.h"
#include "help/HtmlHelp.h"
#include "names/CLinuxComputerNames.h"
#include "names/CSystemNameSources.h"
#include "res/Resource.h"
#include "res/StringTable.h"
#include "res/Version.h"

namespace {

// The name queries with their own sources, so that one object serves one gathering.
class CSystemComputerNames : public names::CLinuxComputerNames {
public:
    CSystemComputerNames() : names::CLinuxComputerNames(m_sources) {}

private:
    names::CSystemNameSources m_sources;
};

} // namespace

CKeldwickApp::CKeldwickApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromLatin1(res::kProductName));
    setApplicationVersion(QString::fromLatin1(res::kProductVersion));
    setDesktopFileName(QStringLiteral("keldwick"));
}

int CKeldwickApp::Run() {
    if (InitInstance()) {
        return exec();
    }
    return ExitInstance();
}

bool CKeldwickApp::InitInstance() {
    // Nothing to prepare for components or common controls here: Qt is ready once constructed.
    dialog::CDialogBuilder::SetIconLoader(LoadAppIcon);
    dialog::CDialogBuilder::SetStringLoader(res::LoadString);
    setWindowIcon(LoadAppIcon(res::IDR_MAINFRAME));
    CKeldwickDlg mainWindow([] { return std::make_unique<CSystemComputerNames>(); });
    (void)mainWindow.DoModal();
    return false;
}

int CKeldwickApp::ExitInstance() {
    // The help window outlives the main window but not the application object.
    (void)help::HtmlHelp(nullptr, {}, help::kHhCloseAll, 0);
    return 0;
}
