#pragma once
// The application object: runs the main window until it closes, then tidies up and ends.

#include <QApplication>

class CKeldwickApp : public QApplication {
    Q_OBJECT
public:
    CKeldwickApp(int& argc, char** argv);

    // Start-up, the main window's whole life, then the exit operation; answers the exit code.
    int Run();

private:
    // Runs the main window; answers false because no message loop is left to run afterwards.
    bool InitInstance();
    int ExitInstance();
};
