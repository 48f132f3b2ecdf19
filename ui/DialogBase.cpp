#include "ui/DialogBase.h"

#include <QVariant>

#include "settings/Configuration.h"

namespace {
constexpr const char* kIdProperty = "controlId";
}

CDialogBase::CDialogBase(int templateId, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_templateId(templateId) {
    setFixedSize(kScreenWidth, kScreenHeight);
    setObjectName(QStringLiteral("dlg%1").arg(templateId));
    setAutoFillBackground(false);
}

int CDialogBase::DoModal() { return exec(); }

void CDialogBase::EndDialog(int result) { done(result); }

QWidget* CDialogBase::GetDlgItem(int id) const {
    return findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

void CDialogBase::ShowItem(int id, bool show) {
    if (QWidget* w = GetDlgItem(id)) w->setVisible(show);
}

QColor CDialogBase::BackgroundColour() { return g_configuration.colourScheme ? Qt::black : Qt::white; }

QColor CDialogBase::TextColour() { return g_configuration.colourScheme ? Qt::white : Qt::black; }

void CDialogBase::RegisterControl(int id, QWidget* control) {
    control->setObjectName(QStringLiteral("ctl%1").arg(id));
    control->setProperty(kIdProperty, id);
}

int ControlId(const QWidget* control) {
    return control ? control->property(kIdProperty).toInt() : 0;
}
