#include "app/CNameInfoDlg.h"

#include "dialog/CDialogBuilder.h"
#include "names/CComputerInfoText.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

CNameInfoDlg::CNameInfoDlg(names::IComputerNames& names, QWidget* parent)
    : dialog::CTemplateDialog(res::NameInfoTemplate(), parent), m_names(names) {}

void CNameInfoDlg::OnInitDialog() {
    m_infoText = CComputerInfoText::Gather(m_names);
    if (QWidget* box = Control(res::IDC_NAME_INFO)) {
        dialog::SetControlText(*box, m_infoText);
    }
}
