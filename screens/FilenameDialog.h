#pragma once
// screens/FilenameDialog.h — the name a file is saved under, typed on the
// shared keyboard. The caller sets the prompt, the extension it appends
// (".corr", ".comp") and whether an existing file of that name must be
// confirmed. ENTER stays disabled until the name is one the data folder can
// hold (platform::IsUsableFileName): nothing typed reaches a path outside it.
// An existing name shows "FILE EXISTS, OVERWRITE?" with the keys disabled;
// YES accepts it, NO goes back to editing with the name unchanged.

#include <QString>
#include <string>

#include "screens/TextKeypadDialog.h"

class CFilenameDialog : public CTextKeypadDialog {
    Q_OBJECT
public:
    enum : int {
        kTemplate = 108,
        kIdPrompt = 1154,
        kIdName = 1062,
        kIdBusy = 1249,
        kIdOverwriteText = 1290,
        kIdYes = 1289,
        kIdNo = 1105,
        kTimerClose = 1,  // 1 ms: the busy picture is painted before the caller works
    };

    explicit CFilenameDialog(QWidget* parent = nullptr);

    // Shown above the name at the next opening ("SAVE CORRELATION FILE AS").
    void SetPrompt(const QString& prompt) { m_prompt = prompt; }
    // The name without folder and extension, as typed; the caller's start
    // value. Without one the screen starts with the name last accepted for
    // the same extension.
    void SetName(const QString& name) { m_name = name; }
    QString Name() const { return m_name; }
    // Appended to the name for the existence check and Path(), e.g. ".corr".
    void SetExtension(const QString& extension) { m_extension = extension; }
    void SetCheckExisting(bool check) { m_checkExisting = check; }
    // The folder the file goes to, a device path ending in a backslash; the
    // configuration's data folder unless set.
    void SetFolder(const std::string& folder) { m_folder = folder; }
    // Folder + name + extension.
    std::string Path() const;

    // True while the overwrite question is shown.
    bool AskingOverwrite() const;

protected:
    void OnInitDialog() override;
    void OnTimer(int id) override;
    void OnType(QChar c) override;
    void OnDeleteKey() override;
    void OnClearKey() override;

private:
    void OnEnter();
    void Accept();
    void ShowOverwrite(bool show);
    void ShowValues();

    QString m_prompt;
    QString m_name;
    QString m_extension;
    std::string m_folder;
    bool m_checkExisting = true;
};
