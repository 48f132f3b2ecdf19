#include "screens/FileListDialog.h"

#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <algorithm>

#include "hardware/UserActivity.h"
#include "platform/Paths.h"
#include "platform/RunFiles.h"
#include "platform/Text.h"
#include "screens/ConfirmDeleteBox.h"
#include "screens/FileDetails.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Controls.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr int kNameMargin = 6;  // px the list keeps beside a name
constexpr int kSmallestNamePixels = 7;
constexpr int kSmallestDetailPixels = 12;  // a detail line shrinks this far before it is cut

}  // namespace

CFileListDialog::CFileListDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    OnCommand(kIdOpen, [this] { OnOpen(); });
    OnCommand(kIdDelete, [this] { OnDelete(); });
    OnCommand(kIdCancel, [this] { EndDialog(kResultCancel); });
    OnCommand(kIdSelectUp, [this] { OnSelectStep(-1); });
    OnCommand(kIdSelectDown, [this] { OnSelectStep(+1); });
    OnCommand(kIdPreviousPage, [this] { OnPage(-1); });
    OnCommand(kIdNextPage, [this] { OnPage(+1); });
    if (auto* list = Item<QListWidget>(kIdList)) {
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(list, &QListWidget::currentRowChanged, this, [this] { OnSelectionChanged(); });
        // A touch on the list counts as the operator's activity, as on any control.
        connect(list, &QListWidget::itemPressed, this, [] { ReportUserActivity(); });
    }
    // Every line starts on the reading side, also a comment in Latin letters
    // on a right-to-left screen.
    const Qt::Alignment side = LanguageIsFarsi() ? Qt::AlignRight : Qt::AlignLeft;
    for (int i = 0; i < kDetailCount; ++i)
        if (auto* label = Item<QLabel>(kIdFirstDetail + i)) {
            label->setWordWrap(false);
            label->setAlignment(side | Qt::AlignAbsolute | Qt::AlignVCenter);
        }
}

std::string CFileListDialog::Folder() const {
    if (!m_pattern.empty() && m_pattern.front() == '\\') {
        std::string folder, name;
        platform::SplitDevicePath(m_pattern, folder, name);
        return folder;
    }
    return CConfiguration::DataFolder();
}

std::string CFileListDialog::SelectedPath() const {
    return m_selected.isEmpty() ? std::string() : platform::JoinDevicePath(Folder(), m_selected.toStdString());
}

int CFileListDialog::PageCount() const { return platform::PageCount(EntryCount()); }

void CFileListDialog::OnInitDialog() {
    ShowItem(kIdBusy, false);
    Populate();
}

void CFileListDialog::Populate() {
    std::string folder, name;
    platform::SplitDevicePath(m_pattern, folder, name);
    m_entries = platform::ListFiles(platform::JoinDevicePath(Folder(), name));
    m_page = 0;
    FillList(0);
}

void CFileListDialog::FillList(int row) {
    m_page = std::clamp(m_page, 0, PageCount() - 1);
    const platform::PageSpan span = platform::PageOf(EntryCount(), m_page);
    if (auto* list = Item<QListWidget>(kIdList)) {
        const QSignalBlocker quiet(list);
        list->clear();
        // A page fills the list: rows as tall as 17 of them allow.
        const int rowHeight = (list->height() - 2 * list->frameWidth()) / platform::kNamesPerPage;
        for (int i = span.first; i < span.first + span.count; ++i) {
            auto* item = new QListWidgetItem(QString::fromStdString(m_entries[static_cast<size_t>(i)].name), list);
            item->setSizeHint(QSize(0, rowHeight));
            // The whole name, in a smaller font when it is long: runs told
            // apart by their last characters stay told apart.
            item->setFont(FitLineFont(item->text(), list->font(), list->width() - 2 * list->frameWidth() - kNameMargin,
                                      kSmallestNamePixels));
        }
        if (span.count > 0) list->setCurrentRow(std::clamp(row, 0, span.count - 1));
    }
    EnableItem(kIdPreviousPage, m_page > 0);
    EnableItem(kIdNextPage, m_page < PageCount() - 1);
    EnableItem(kIdOpen, span.count > 0);
    EnableItem(kIdDelete, span.count > 0);
    OnSelectionChanged();
}

void CFileListDialog::OnSelectionChanged() {
    const auto* list = Item<QListWidget>(kIdList);
    const QListWidgetItem* item = list ? list->currentItem() : nullptr;
    m_selected = item ? item->text() : QString();
    ShowDetails();
}

std::vector<std::u16string> CFileListDialog::DefaultDetails(const std::string& path) const {
    DetailWords words;
    words.text = [](int id) { return LoadString(id).toStdU16String(); };
    words.filters = LoadFilterWords();
    words.length = g_configuration.unitSystem == 1 ? LengthUnit::Feet : LengthUnit::Metres;
    return FileDetailLines(path, words);
}

void CFileListDialog::ShowDetails() {
    std::vector<std::u16string> lines;
    if (!m_selected.isEmpty()) lines = m_details ? m_details(SelectedPath()) : DefaultDetails(SelectedPath());
    for (int i = 0; i < kDetailCount; ++i) {
        auto* label = Item<QLabel>(kIdFirstDetail + i);
        if (!label) continue;
        const QString text = i < static_cast<int>(lines.size()) ? QString::fromStdU16String(lines[static_cast<size_t>(i)]) : QString();
        // A 40-character title shows whole in a smaller font; a longer
        // comment ends in "..." rather than running out of the frame.
        label->setFont(FitLineFont(text, font(), label->width(), kSmallestDetailPixels));
        label->setText(QFontMetrics(label->font()).elidedText(text, Qt::ElideRight, label->width()));
        label->setToolTip(text);
    }
}

void CFileListDialog::OnSelectStep(int delta) {
    auto* list = Item<QListWidget>(kIdList);
    if (!list || list->count() == 0) return;
    list->setCurrentRow(std::clamp(list->currentRow() + delta, 0, list->count() - 1));
}

void CFileListDialog::OnPage(int delta) {
    const int page = std::clamp(m_page + delta, 0, PageCount() - 1);
    if (page == m_page) return;
    m_page = page;
    FillList(0);
}

void CFileListDialog::OnOpen() {
    if (m_selected.isEmpty()) return;
    if (auto* busy = Item<QLabel>(kIdBusy)) busy->setPixmap(Picture(kPictureBusy));
    ShowItem(kIdBusy, true);
    EnableItem(kIdOpen, false);
    EnableItem(kIdDelete, false);
    SetTimer(kTimerClose, 1);
}

void CFileListDialog::OnTimer(int id) {
    if (id != kTimerClose) return;
    KillTimer(kTimerClose);
    EndDialog(kResultOk);
}

void CFileListDialog::OnDelete() {
    if (m_selected.isEmpty()) return;
    CConfirmDeleteBox question(this);
    if (RunChild(question) != kResultOk) return;
    const auto* list = Item<QListWidget>(kIdList);
    const int row = list ? list->currentRow() : 0;
    const int page = m_page;
    platform::DeleteWithCompanions(Folder(), m_selected.toStdString());
    // The list is made again from the folder, so it shows what exists
    // (also when the deletion failed); the same place stays selected.
    std::string folder, name;
    platform::SplitDevicePath(m_pattern, folder, name);
    m_entries = platform::ListFiles(platform::JoinDevicePath(Folder(), name));
    m_page = page;
    FillList(row);
}
