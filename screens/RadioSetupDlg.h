#pragma once
// screens/RadioSetupDlg.h — manual radio setting: a keypad for the channel
// (left) and one for the frequency in Hz (right). ACCEPT closes with OK,
// CANCEL with cancel, SET PARALLEL MODE with kResultParallel; the caller acts
// on the typed values.

#include <cstdint>

#include "ui/DialogBase.h"

class CRadioSetupDlg : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 314,
        kIdChannel = 1306,
        kIdFrequency = 1307,
        kIdChannelClear = 1009,
        kIdChannelPoint = 1011,    // hidden
        kIdFrequencyPoint = 1023,  // hidden
        kIdFrequencyClear = 1021,
        kIdAccept = 1024,
        kIdCancel = 1025,
        kIdParallel = 1026,
        kResultParallel = 1026,
    };
    // Keys 0-9 of each keypad by digit.
    static constexpr int kChannelKeys[10] = {1010, 1006, 1007, 1008, 1003, 1004, 1005, 1000, 1001, 1002};
    static constexpr int kFrequencyKeys[10] = {1022, 1018, 1019, 1020, 1015, 1016, 1017, 1012, 1013, 1014};

    explicit CRadioSetupDlg(QWidget* parent = nullptr);

    // The typed values; each stays within 32 bits (a digit that would carry
    // it past is ignored).
    uint32_t Channel() const { return m_channel; }
    uint32_t Frequency() const { return m_frequency; }

protected:
    void OnInitDialog() override;

private:
    void ShowValues();

    uint32_t m_channel = 0;
    uint32_t m_frequency = 0;
};
