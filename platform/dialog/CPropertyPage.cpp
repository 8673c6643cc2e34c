#include "dialog/CPropertyPage.h"

#include "dialog/CDialogBuilder.h"

namespace dialog {

CPropertyPage::CPropertyPage(const DialogTemplate& page, QWidget* parent)
    : QWidget(parent), m_caption(QString::fromUtf8(page.caption.data(),
                                                   static_cast<qsizetype>(page.caption.size()))) {
    m_units = CDialogBuilder::Build(*this, page);
    setFixedSize(CDialogBuilder::ClientSize(page, m_units));
}

QWidget* CPropertyPage::Control(int id) const {
    return FindControl(*this, id);
}

void CPropertyPage::EnsureInitialised() {
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
}

} // namespace dialog
