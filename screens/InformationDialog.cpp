#include "screens/InformationDialog.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>

CInformationDialog::CInformationDialog(QWidget* parent) : CTextKeypadDialog(kTemplate, parent) {
    OnCommand(kIdPrevious, [this] { Step(-1); });
    OnCommand(kIdNext, [this] { Step(+1); });
    OnCommand(kIdEnter, [this] { OnEnter(); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    for (int i = 0; i < kFieldCount; ++i)
        if (QLineEdit* field = Field(i)) field->installEventFilter(this);
}

QLineEdit* CInformationDialog::Field(int index) const { return Item<QLineEdit>(kFieldIds[index]); }

void CInformationDialog::OnInitDialog() {
    for (int i = 0; i < kFieldCount; ++i)
        if (QLineEdit* field = Field(i)) field->setText(QString::fromStdU16String(m_texts[static_cast<size_t>(i)]));
    ShowDigitPad(false);
    m_current = 0;
    FocusCurrent();
}

bool CInformationDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FocusIn) return CTextKeypadDialog::eventFilter(watched, event);
    for (int i = 0; i < kFieldCount; ++i) {
        QLineEdit* field = Field(i);
        if (watched != field) continue;
        m_current = i;
        MarkCurrent();
        // A field entered by the window's first focus would select all its
        // text as if tabbed into; the keys append, so it takes the focus
        // as any other and keeps its caret at the end.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::OtherFocusReason) {
            QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
            QApplication::sendEvent(field, &plain);
            field->end(false);
            return true;
        }
    }
    return CTextKeypadDialog::eventFilter(watched, event);
}

void CInformationDialog::MarkCurrent() {
    const QString sheet = QStringLiteral("QLineEdit { border: %1px solid %2; background: %3; color: %2; font-size: %4px; }");
    for (int i = 0; i < kFieldCount; ++i)
        if (QLineEdit* field = Field(i))
            field->setStyleSheet(sheet.arg(i == m_current ? 3 : 1)
                                     .arg(TextColour().name(), BackgroundColour().name())
                                     .arg(font().pixelSize()));
}

void CInformationDialog::FocusCurrent() {
    MarkCurrent();
    QLineEdit* field = Field(m_current);
    if (!field) return;
    field->setFocus(Qt::OtherFocusReason);
    field->end(false);
}

void CInformationDialog::Step(int delta) {
    m_current = (m_current + delta + kFieldCount) % kFieldCount;
    FocusCurrent();
}

void CInformationDialog::OnType(QChar c) {
    if (QLineEdit* field = Field(m_current)) field->setText(field->text() + c);
    FocusCurrent();
}

void CInformationDialog::OnDeleteKey() {
    if (QLineEdit* field = Field(m_current)) field->setText(field->text().chopped(std::min<qsizetype>(1, field->text().size())));
    FocusCurrent();
}

void CInformationDialog::OnClearKey() {
    if (QLineEdit* field = Field(m_current)) field->clear();
    FocusCurrent();
}

void CInformationDialog::OnEnter() {
    for (int i = 0; i < kFieldCount; ++i)
        if (QLineEdit* field = Field(i)) m_texts[static_cast<size_t>(i)] = field->text().toStdU16String();
    EndDialog(kResultOk);
}
