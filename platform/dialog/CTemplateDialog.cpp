#include "dialog/CTemplateDialog.h"

#include "dialog/CDialogBuilder.h"

#include <QAbstractButton>
#include <QEventLoop>

namespace dialog {

namespace {

Qt::WindowFlags FlagsFor(const DialogTemplate& dialog) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((dialog.style & kCaption) != 0) {
        flags |= Qt::WindowTitleHint;
    }
    if ((dialog.style & kSystemMenu) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if ((dialog.style & kMinimizeBox) != 0) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    if ((dialog.style & kAppWindow) != 0) {
        // A window of its own on the taskbar rather than a transient of another window.
        flags = (flags & ~Qt::Dialog) | Qt::Window;
    }
    return flags;
}

} // namespace

CTemplateDialog::CTemplateDialog(const DialogTemplate& dialog, QWidget* parent)
    : QDialog(parent), m_templateId(dialog.id) {
    setWindowFlags(FlagsFor(dialog));
    setWindowTitle(
        QString::fromUtf8(dialog.caption.data(), static_cast<qsizetype>(dialog.caption.size())));
    m_units = CDialogBuilder::Build(*this, dialog);
    // A modal frame: the size is the template's and the user does not resize it.
    setFixedSize(CDialogBuilder::ClientSize(dialog, m_units));
    // The OK and Cancel buttons end the dialog, as Enter and Esc do.
    if (auto* ok = qobject_cast<QAbstractButton*>(Control(kIdOk))) {
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    }
    if (auto* cancel = qobject_cast<QAbstractButton*>(Control(kIdCancel))) {
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    }
}

QWidget* CTemplateDialog::Control(int id) const {
    return FindControl(*this, id);
}

int CTemplateDialog::DoModal() {
    setWindowModality(parentWidget() != nullptr ? Qt::WindowModal : Qt::NonModal);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    if (isVisible()) {
        loop.exec(QEventLoop::DialogExec);
    }
    return result();
}

void CTemplateDialog::EnsureInitialised() {
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
}

void CTemplateDialog::setVisible(bool visible) {
    if (visible) {
        EnsureInitialised();
    }
    QDialog::setVisible(visible);
}

} // namespace dialog
