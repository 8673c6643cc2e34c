#include "app/CAboutDlg.h"

#include "res/DialogTemplates.h"

CAboutDlg::CAboutDlg(QWidget* parent) : dialog::CTemplateDialog(res::AboutBoxTemplate(), parent) {}
