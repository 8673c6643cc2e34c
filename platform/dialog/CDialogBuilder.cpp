#include "dialog/CDialogBuilder.h"

#include "dialog/CAccessibleHost.h"
#include "dialog/CMultiLineEdit.h"
#include "dialog/CPushButton.h"
#include "dialog/DialogFont.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace dialog {

namespace {

IconLoader g_iconLoader = nullptr;
StringLoader g_stringLoader = nullptr;

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The label text as shown: a single '&' marks a mnemonic and is not shown; "&&" shows one '&'.
QString WithoutMnemonics(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    shown.remove(QLatin1Char('&'));
    shown.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return shown;
}

bool IsLabel(const ControlTemplate& control) {
    return control.kind == ControlKind::Static && !control.text.empty();
}

bool TakesLabelName(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ComboBox ||
           kind == ControlKind::ListBox;
}

// Multi-line edits show lines ending in LF; their text outside ends lines in CR LF.
QString ToEditLines(std::string_view text) {
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

std::string FromEditLines(const QString& lines) {
    QString text = lines;
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toStdString();
}

} // namespace

void CDialogBuilder::SetIconLoader(IconLoader loader) {
    g_iconLoader = loader;
}

QIcon CDialogBuilder::LoadIcon(int resource) {
    return g_iconLoader != nullptr ? g_iconLoader(resource) : QIcon();
}

void CDialogBuilder::SetStringLoader(StringLoader loader) {
    g_stringLoader = loader;
}

QString CDialogBuilder::LabelName(std::string_view text, bool noPrefix) {
    QString name = ToQString(text);
    if (!noPrefix) {
        name = WithoutMnemonics(name);
    }
    name = name.trimmed();
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return name.trimmed();
}

void CDialogBuilder::NameControl(const ControlTemplate& control, QWidget& widget,
                                 const ControlTemplate* labelTemplate, QLabel* label) {
    if (control.kind == ControlKind::EtchedHorizontal || control.kind == ControlKind::Frame) {
        widget.setProperty(kAccessibleHidden, true);
        return;
    }
    const bool noPrefix = labelTemplate != nullptr && (labelTemplate->style & kNoPrefix) != 0;
    if (TakesLabelName(control.kind) && label != nullptr && labelTemplate != nullptr) {
        widget.setAccessibleName(LabelName(labelTemplate->text, noPrefix));
        label->setBuddy(&widget);
        if (!noPrefix) {
            // With a buddy the label itself hides the marker and underlines the mnemonic.
            label->setText(ToQString(labelTemplate->text));
        }
        return;
    }
    const bool ownText = !control.text.empty() && control.kind != ControlKind::Edit;
    if (!ownText && control.nameString != 0 && g_stringLoader != nullptr) {
        widget.setAccessibleName(ToQString(g_stringLoader(control.nameString)));
    }
}

BaseUnits CDialogBuilder::Build(QWidget& host, const DialogTemplate& dialog) {
    CAccessibleHost::InstallFactory();
    host.setFont(DialogFont(dialog.fontName, dialog.fontPoints));
    const BaseUnits units = MeasureBaseUnits(host.font());
    QWidget* previous = nullptr;
    const ControlTemplate* labelTemplate = nullptr;
    QLabel* label = nullptr;
    for (const ControlTemplate& control : dialog.controls) {
        QWidget* widget = CreateControl(host, control);
        NameControl(control, *widget, labelTemplate, label);
        // Only the control right after a label takes its name.
        labelTemplate = IsLabel(control) ? &control : nullptr;
        label = labelTemplate != nullptr ? qobject_cast<QLabel*>(widget) : nullptr;
        const PixelRect rect = ToPixels(units, control.x, control.y, control.cx, control.cy);
        if (control.kind == ControlKind::Icon) {
            // An icon static takes the icon's size, not the template's.
            const int side = host.style()->pixelMetric(QStyle::PM_LargeIconSize);
            widget->setGeometry(rect.x, rect.y, side, side);
        } else {
            widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        }
        widget->setObjectName(QString::number(control.id));
        widget->setVisible((control.style & kHidden) == 0);
        if ((control.style & kTabStop) != 0) {
            if (previous != nullptr) {
                QWidget::setTabOrder(previous, widget);
            }
            previous = widget;
        }
    }
    return units;
}

QSize CDialogBuilder::ClientSize(const DialogTemplate& dialog, const BaseUnits& units) {
    return QSize(HorizontalPixels(units, dialog.cx), VerticalPixels(units, dialog.cy));
}

QWidget* CDialogBuilder::CreateControl(QWidget& host, const ControlTemplate& control) {
    QWidget* widget = nullptr;
    switch (control.kind) {
    case ControlKind::PushButton: {
        widget = new CPushButton(ToQString(control.text), (control.style & kDefault) != 0, &host);
        break;
    }
    case ControlKind::Edit:
        widget = CreateEdit(host, control);
        break;
    case ControlKind::ComboBox:
        widget = new QComboBox(&host);
        break;
    case ControlKind::ListBox:
        widget = new QListWidget(&host);
        break;
    case ControlKind::Static:
    case ControlKind::Icon:
        widget = CreateStatic(host, control);
        break;
    case ControlKind::EtchedHorizontal: {
        auto* line = new QFrame(&host);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        widget = line;
        break;
    }
    case ControlKind::Frame: {
        auto* frame = new QFrame(&host);
        frame->setFrameShape(QFrame::Box);
        widget = frame;
        break;
    }
    }
    // Buttons and edit boxes take the focus, by Tab only when they are tab stops; the rest never.
    const bool focusable =
        control.kind == ControlKind::PushButton || control.kind == ControlKind::Edit ||
        control.kind == ControlKind::ComboBox || control.kind == ControlKind::ListBox;
    if (!focusable) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else {
        widget->setFocusPolicy((control.style & kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
    }
    return widget;
}

QWidget* CDialogBuilder::CreateEdit(QWidget& host, const ControlTemplate& control) {
    const bool bordered = (control.style & kBorder) != 0;
    if ((control.style & kMultiLine) == 0) {
        auto* edit = new QLineEdit(ToQString(control.text), &host);
        edit->setFrame(bordered);
        edit->setReadOnly((control.style & kReadOnly) != 0);
        return edit;
    }
    auto* edit = new CMultiLineEdit((control.style & kWantReturn) != 0, &host);
    edit->setPlainText(ToEditLines(control.text));
    edit->setReadOnly((control.style & kReadOnly) != 0);
    if (!bordered) {
        edit->setFrameShape(QFrame::NoFrame);
    }
    // Without sideways scrolling the lines wrap at the box's edge.
    const bool scrollsSideways = (control.style & (kAutoHScroll | kHScroll)) != 0;
    edit->setLineWrapMode(scrollsSideways ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
    edit->setVerticalScrollBarPolicy((control.style & kVScroll) != 0 ? Qt::ScrollBarAlwaysOn
                                                                     : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((control.style & kHScroll) != 0 ? Qt::ScrollBarAlwaysOn
                                                                       : Qt::ScrollBarAlwaysOff);
    return edit;
}

QWidget* CDialogBuilder::CreateStatic(QWidget& host, const ControlTemplate& control) {
    auto* label = new QLabel(&host);
    if (control.kind == ControlKind::Icon) {
        const int side = host.style()->pixelMetric(QStyle::PM_LargeIconSize);
        label->setPixmap(LoadIcon(control.resource).pixmap(side, side));
        return label;
    }
    label->setTextFormat(Qt::PlainText);
    const QString text = ToQString(control.text);
    label->setText((control.style & kNoPrefix) == 0 ? WithoutMnemonics(text) : text);
    return label;
}

QWidget* FindControl(const QWidget& host, int id) {
    return host.findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

std::string ControlText(const QWidget& control) {
    if (const auto* edit = qobject_cast<const QPlainTextEdit*>(&control)) {
        return FromEditLines(edit->toPlainText());
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        return edit->text().toStdString();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&control)) {
        return button->text().toStdString();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->text().toStdString();
    }
    return {};
}

void SetControlText(QWidget& control, std::string_view text) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(&control)) {
        edit->setPlainText(ToEditLines(text));
    } else if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        edit->setText(ToQString(text));
    } else if (auto* button = qobject_cast<QPushButton*>(&control)) {
        button->setText(ToQString(text));
    } else if (auto* label = qobject_cast<QLabel*>(&control)) {
        label->setText(ToQString(text));
    }
}

} // namespace dialog
