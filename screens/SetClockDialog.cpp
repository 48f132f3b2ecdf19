#include "screens/SetClockDialog.h"

#include <QFont>
#include <iterator>

using unitcare::ClockField;

namespace {
constexpr int kTimePixelSize = 28;
}  // namespace

const CSetClockDialog::ClockStep CSetClockDialog::kSteps[20] = {
    {1108, ClockField::Year, +1},    {1035, ClockField::Year, -1},
    {1111, ClockField::Year, +10},   {1036, ClockField::Year, -10},
    {1033, ClockField::Month, +1},   {1034, ClockField::Month, -1},
    {1037, ClockField::Month, +10},  {1038, ClockField::Month, -10},
    {1031, ClockField::Day, +1},     {1032, ClockField::Day, -1},
    {1039, ClockField::Day, +10},    {1040, ClockField::Day, -10},
    {1029, ClockField::Hour, +1},    {1030, ClockField::Hour, -1},
    {1041, ClockField::Hour, +10},   {1042, ClockField::Hour, -10},
    {1109, ClockField::Minute, +1},  {1028, ClockField::Minute, -1},
    {1112, ClockField::Minute, +10}, {1043, ClockField::Minute, -10},
};

CSetClockDialog::CSetClockDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    for (const ClockStep& step : kSteps) OnCommand(step.id, [this, &step] { OnStep(step); });
    OnCommand(kIdOk, [this] { OnOk(); });
    // A field's keys keep +10 left of +1 in every language (four per field).
    for (size_t k = 0; k < std::size(kSteps); k += 4)
        KeepOrder({kSteps[k].id, kSteps[k + 1].id, kSteps[k + 2].id, kSteps[k + 3].id});
    // The values read from arm's length.
    for (int id : {kIdYear, kIdMonth, kIdDay, kIdHour, kIdMinute}) {
        if (QWidget* w = GetDlgItem(id)) {
            QFont large = w->font();
            large.setPixelSize(kTimePixelSize);
            w->setFont(large);
        }
    }
}

void CSetClockDialog::OnInitDialog() {
    // The record as read (to the minute) decides whether OK sets the clock,
    // so a clock that was reset is set even when the operator changed nothing.
    m_read = platform::GetSystemTime();
    m_read.second = m_read.milliseconds = 0;
    m_time = unitcare::ClockStartTime(m_read);
    m_clockSet = false;
    ShowValues();
}

void CSetClockDialog::OnStep(const ClockStep& step) {
    m_time = unitcare::SteppedClock(m_time, step.field, step.delta);
    ShowValues();
}

void CSetClockDialog::OnOk() {
    if (!unitcare::SameTime(m_time, m_read)) m_clockSet = platform::SetSystemTime(m_time);
    EndDialog(kResultOk);
}

void CSetClockDialog::ShowValues() {
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    SetItemText(kIdYear, QString::number(m_time.year));
    SetItemText(kIdMonth, two(m_time.month));
    SetItemText(kIdDay, two(m_time.day));
    SetItemText(kIdHour, two(m_time.hour));
    SetItemText(kIdMinute, two(m_time.minute));
}
