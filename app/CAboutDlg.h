#pragma once
// The About box.

#include "dialog/CTemplateDialog.h"

class CAboutDlg : public dialog::CTemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
