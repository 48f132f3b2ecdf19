#pragma once
// screens/AboutDlg.h — the about screen: badge, software version and the
// platform's version text, with OK and STATUS. It is always shown in normal
// colours; the operator's colour scheme returns for the status screen and
// when it closes.

#include <QString>
#include <functional>

#include "platform/Version.h"
#include "ui/DialogBase.h"

constexpr const char* kSoftwareBuildDate = "Mar 11 2016";

class CAboutDlg : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplateDefault = 100,
        kTemplateQSerial = 256,  // units whose factory serial begins with "Q"
        kIdStatus = 1300,
        kIdBadge = 1301,
        kIdVersion = 1302,
        kIdPlatform = 1303,
        kBadgeDefault = 262,
        kBadgeFarsi = 263,
        kBadgeBranding = 266,
    };
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The platform's version text and the status screen, supplied by the
    // modules that own them.
    static std::function<QString()>& PlatformVersion();
    static std::function<void(QWidget* parent)>& ShowStatus();

    // Which template a unit uses, and which badge it shows.
    static int TemplateFor(const std::u16string& serial);
    static int BadgeFor(int branding, const std::u16string& language);

protected:
    void OnInitDialog() override;
    void done(int result) override;  // the operator's colours return

private:
    void OnStatus();
    int m_savedScheme;
};
