#pragma once
// The computer information dialog: every name the computer reports, gathered once when the dialog
// initialises, in an edit box from which the user can copy them. Edits in the box are not kept.

#include "dialog/CTemplateDialog.h"
#include "names/IComputerNames.h"

#include <string>

class CNameInfoDlg : public dialog::CTemplateDialog {
    Q_OBJECT
public:
    explicit CNameInfoDlg(names::IComputerNames& names, QWidget* parent = nullptr);

    [[nodiscard]] const std::string& InfoText() const { return m_infoText; }

protected:
    void OnInitDialog() override;

private:
    names::IComputerNames& m_names;
    std::string m_infoText;
};
