#include "screens/AboutDlg.h"

#include <QLabel>

#include "settings/Configuration.h"
#include "ui/PictureSet.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : CDialogBase(TemplateFor(g_factory.Serial()), parent), m_savedScheme(g_configuration.colourScheme) {
    OnCommand(kResultOk, [this] { EndDialog(kResultOk); });
    OnCommand(kIdStatus, [this] { OnStatus(); });
}

void CAboutDlg::done(int result) {
    g_configuration.colourScheme = m_savedScheme;
    CDialogBase::done(result);
}

std::function<QString()>& CAboutDlg::PlatformVersion() {
    static std::function<QString()> f;
    return f;
}

std::function<void(QWidget*)>& CAboutDlg::ShowStatus() {
    static std::function<void(QWidget*)> f;
    return f;
}

int CAboutDlg::TemplateFor(const std::u16string& serial) {
    return !serial.empty() && serial[0] == u'Q' ? kTemplateQSerial : kTemplateDefault;
}

int CAboutDlg::BadgeFor(int branding, const std::u16string& language) {
    if (branding == 1) return kBadgeBranding;
    return language == u"FAS" ? kBadgeFarsi : kBadgeDefault;
}

// Shown in normal colours whatever the operator chose.
void CAboutDlg::OnInitDialog() {
    m_savedScheme = g_configuration.colourScheme;
    g_configuration.colourScheme = 0;
    const QString platform = PlatformVersion() ? PlatformVersion()() : QString();
    SetItemText(kIdPlatform, ItemText(kIdPlatform) + ' ' + platform);
    SetItemText(kIdVersion, QStringLiteral("%1: %2 (%3)").arg(ItemText(kIdVersion), kSoftwareVersion, kSoftwareBuildDate));
    if (auto* badge = Item<QLabel>(kIdBadge))
        badge->setPixmap(Picture(BadgeFor(g_configuration.branding, g_configuration.Language())));
}

void CAboutDlg::OnStatus() {
    if (!ShowStatus()) return;
    g_configuration.colourScheme = m_savedScheme;
    ShowStatus()(this);
    g_configuration.colourScheme = 0;
    update();
}
