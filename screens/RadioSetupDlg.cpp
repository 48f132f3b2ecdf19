#include "screens/RadioSetupDlg.h"

#include "hardware/UnitCare.h"

CRadioSetupDlg::CRadioSetupDlg(QWidget* parent) : CDialogBase(kTemplate, parent) {
    for (uint32_t digit = 0; digit < 10; ++digit) {
        OnCommand(kChannelKeys[digit], [this, digit] {
            unitcare::AppendDigit(m_channel, digit);
            ShowValues();
        });
        OnCommand(kFrequencyKeys[digit], [this, digit] {
            unitcare::AppendDigit(m_frequency, digit);
            ShowValues();
        });
    }
    OnCommand(kIdChannelClear, [this] {
        m_channel = 0;
        ShowValues();
    });
    OnCommand(kIdFrequencyClear, [this] {
        m_frequency = 0;
        ShowValues();
    });
    OnCommand(kIdAccept, [this] { EndDialog(kResultOk); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    OnCommand(kIdParallel, [this] { EndDialog(kResultParallel); });
}

void CRadioSetupDlg::OnInitDialog() {
    m_channel = 0;
    m_frequency = 0;
    ShowValues();
}

void CRadioSetupDlg::ShowValues() {
    SetItemText(kIdChannel, QString::number(m_channel));
    SetItemText(kIdFrequency, QString::number(m_frequency));
}
