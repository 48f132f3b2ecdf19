#include "screens/RadioSetupDlg.h"

#include "hardware/UnitCare.h"

CRadioSetupDlg::CRadioSetupDlg(QWidget* parent) : CDialogBase(kTemplate, parent) {
    const auto& c = kChannelKeys;
    const auto& f = kFrequencyKeys;
    KeepOrder({c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], kIdChannelPoint, kIdChannelClear});
    KeepOrder({f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], kIdFrequencyPoint, kIdFrequencyClear});
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
