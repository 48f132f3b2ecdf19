#pragma once
// screens/FileListDialog.h — the saved files of one kind in the data folder,
// 17 names a page in UTF-16 order, the details of the selected one, and
// deletion after a question. The caller sets the pattern ("*.corr",
// "*.comp") and may set the details provider of its file type; by default
// the provider is chosen by extension (screens/FileDetails.h). A file whose
// header cannot be read shows one clear line and can still be deleted or
// chosen; the screen never opens or deletes anything by itself.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "ui/DialogBase.h"

class CFileListDialog : public CDialogBase {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 109,
        kIdList = 1068,
        kIdOpen = 1063,
        kIdDelete = 1104,
        kIdCancel = 1056,
        kIdSelectUp = 1105,
        kIdSelectDown = 1106,
        kIdPreviousPage = 1064,
        kIdNextPage = 1065,
        kIdFirstDetail = 1200,  // 1200 ... 1211
        kDetailCount = 12,
        kIdBusy = 1249,
        kTimerClose = 1,  // 1 ms: the busy picture is painted before the caller opens
    };

    // The lines of the details panel for one file (device path); at most
    // kDetailCount are shown.
    using DetailsProvider = std::function<std::vector<std::u16string>(const std::string& devicePath)>;

    explicit CFileListDialog(QWidget* parent = nullptr);

    // File name pattern inside the data folder ("*.corr"), or a whole device
    // pattern ("\NandFlash\Data\*.corr").
    void SetPattern(const std::string& pattern) { m_pattern = pattern; }
    void SetDetailsProvider(DetailsProvider provider) { m_details = std::move(provider); }

    // The chosen name with its extension (empty when none), and with its folder.
    QString SelectedName() const { return m_selected; }
    std::string SelectedPath() const;

    int Page() const { return m_page; }
    int PageCount() const;
    int EntryCount() const { return static_cast<int>(m_entries.size()); }

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;

private:
    std::string Folder() const;
    void Populate();
    void FillList(int row);
    void ShowDetails();
    void OnSelectionChanged();
    void OnSelectStep(int delta);
    void OnPage(int delta);
    void OnOpen();
    void OnDelete();
    std::vector<std::u16string> DefaultDetails(const std::string& path) const;

    std::string m_pattern = "*.corr";
    DetailsProvider m_details;
    std::vector<platform::FindData> m_entries;
    int m_page = 0;
    QString m_selected;
};
