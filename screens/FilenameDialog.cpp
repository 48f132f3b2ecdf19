#include "screens/FilenameDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <map>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/RunFiles.h"
#include "settings/Configuration.h"
#include "ui/PictureSet.h"

namespace {

// The name reads from arm's length, px.
constexpr int kNamePixelSize = 30;

// The name last accepted for each extension: the next save of that kind
// starts from it, so a series of runs is named by changing a digit.
QString& LastName(const QString& extension) {
    static std::map<QString, QString> names;
    return names[extension];
}

}  // namespace

CFilenameDialog::CFilenameDialog(QWidget* parent) : CTextKeypadDialog(kTemplate, parent) {
    OnCommand(kIdEnter, [this] { OnEnter(); });
    OnCommand(kIdYes, [this] { Accept(); });
    OnCommand(kIdNo, [this] { ShowOverwrite(false); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    if (auto* edit = Item<QLineEdit>(kIdName)) {
        edit->setReadOnly(true);  // only the keys type, so only usable names arrive
        edit->setMaxLength(platform::kMaxTypedNameLength);
        QFont large = edit->font();
        large.setPixelSize(kNamePixelSize);
        edit->setFont(large);
    }
}

std::string CFilenameDialog::Path() const {
    const std::string folder = m_folder.empty() ? CConfiguration::DataFolder() : m_folder;
    return platform::JoinDevicePath(folder, (m_name + m_extension).toStdString());
}

bool CFilenameDialog::AskingOverwrite() const {
    const QWidget* panel = GetDlgItem(kIdOverwriteText);
    return panel && !panel->isHidden();
}

void CFilenameDialog::OnInitDialog() {
    if (m_name.isEmpty()) m_name = LastName(m_extension);
    if (!m_prompt.isEmpty()) SetItemText(kIdPrompt, m_prompt);
    ShowItem(kIdBusy, false);
    ShowDigitPad(false);
    ShowOverwrite(false);
    ShowValues();
}

void CFilenameDialog::OnType(QChar c) {
    if (m_name.size() < platform::kMaxTypedNameLength) m_name += c;
    ShowValues();
}

void CFilenameDialog::OnDeleteKey() {
    m_name.chop(1);
    ShowValues();
}

void CFilenameDialog::OnClearKey() {
    m_name.clear();
    ShowValues();
}

void CFilenameDialog::OnEnter() {
    if (!platform::IsUsableFileName(m_name.toStdU16String())) return;
    if (m_checkExisting && platform::PathExists(Path())) {
        ShowOverwrite(true);
        return;
    }
    Accept();
}

void CFilenameDialog::Accept() {
    ShowItem(kIdOverwriteText, false);
    ShowItem(kIdYes, false);
    ShowItem(kIdNo, false);
    EnableKeys(false);
    EnableItem(kIdEnter, false);
    if (auto* busy = Item<QLabel>(kIdBusy)) busy->setPixmap(Picture(kPictureBusy));
    ShowItem(kIdBusy, true);
    SetTimer(kTimerClose, 1);
}

void CFilenameDialog::OnTimer(int id) {
    if (id != kTimerClose) return;
    KillTimer(kTimerClose);
    LastName(m_extension) = m_name;
    EndDialog(kResultOk);
}

void CFilenameDialog::ShowOverwrite(bool show) {
    ShowItem(kIdOverwriteText, show);
    ShowItem(kIdYes, show);
    ShowItem(kIdNo, show);
    EnableKeys(!show);
    ShowValues();
}

void CFilenameDialog::ShowValues() {
    SetItemText(kIdName, m_name);
    if (auto* edit = Item<QLineEdit>(kIdName)) edit->end(false);
    EnableItem(kIdEnter, !AskingOverwrite() && platform::IsUsableFileName(m_name.toStdU16String()));
}
