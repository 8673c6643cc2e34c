#include "app/AppIcon.h"
#include "dialog/CDialogBuilder.h"
#include "res/StringTable.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    // Widget tests never need a display, not even when only listing the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The sign-in page loads and saves credentials in the user's settings: never the real ones.
    std::string config = (std::filesystem::temp_directory_path() / "keldwick-app-XXXXXX").string();
    if (::mkdtemp(config.data()) == nullptr) {
        return 1;
    }
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    QApplication app(argc, argv);
    dialog::CDialogBuilder::SetIconLoader(LoadAppIcon);
    dialog::CDialogBuilder::SetStringLoader(res::LoadString);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(config, ignored);
    return result;
}
