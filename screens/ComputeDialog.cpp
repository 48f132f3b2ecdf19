#include "screens/ComputeDialog.h"

#include <QLabel>
#include <QPainter>
#include <fstream>
#include <sstream>
#include <utility>

#include "dsp/RunPoint.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "screens/ComputeGraph.h"
#include "screens/FileListDialog.h"
#include "screens/FilenameDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr const char* kComputationExtension = ".comp";
constexpr const char* kRunExtension = ".corr";

LengthUnit DisplayLength() {
    return g_configuration.unitSystem == 1 ? LengthUnit::Feet : LengthUnit::Metres;
}
TimeUnit DisplayTime() {
    return g_configuration.velocityPerMs == 1 ? TimeUnit::Milliseconds : TimeUnit::Seconds;
}

// A string-table caption, or the built-in English one when the table has none.
std::u16string Caption(int id, const std::u16string& fallback) {
    const QString text = LoadString(id);
    return text.isEmpty() ? fallback : text.toStdU16String();
}

// "CAPTION: value" with the value kept left to right on a right-to-left
// screen, so that "-15.8ms" does not lose its sign to the far end.
QString ResultLine(const std::u16string& line, const std::u16string& caption) {
    if (!LanguageIsFarsi() || line.size() <= caption.size() + 1) return QString::fromStdU16String(line);
    return QString::fromStdU16String(line.substr(0, caption.size() + 1) + u"\u2066" + line.substr(caption.size() + 1) +
                                     u"\u2069");
}

ComputeCaptions LoadCaptions() {
    ComputeCaptions c;
    c.separation = Caption(CComputeDialog::kFirstCaption + 0, c.separation);
    c.leakDistance = Caption(CComputeDialog::kFirstCaption + 1, c.leakDistance);
    c.velocity = Caption(CComputeDialog::kFirstCaption + 2, c.velocity);
    c.delay = Caption(CComputeDialog::kFirstCaption + 3, c.delay);
    c.undefined = Caption(CComputeDialog::kUndefinedString, c.undefined);
    return c;
}

}  // namespace

CComputeDialog::CComputeDialog(QWidget* parent) : CDialogBase(kTemplate, parent) {
    // The plot's axes are the same in every language: their titles stay, and
    // the selection keys step along the separation axis.
    KeepPlace({kIdSeparationAxis, kIdDelayAxis});
    KeepOrder({kIdSelectPrevious, kIdSelectNext});
    OnCommand(kIdOpen, [this] { OnOpen(); });
    OnCommand(kIdSaveAs, [this] { OnSaveAs(); });
    OnCommand(kIdInfo, [this] { OnInfo(); });
    OnCommand(kIdExit, [this] { EndDialog(kResultOk); });
    OnCommand(kIdAddResult, [this] { OnAddResult(); });
    OnCommand(kIdRemoveResult, [this] { OnRemove(); });
    OnCommand(kIdToggleResult, [this] { OnToggle(); });
    OnCommand(kIdSelectPrevious, [this] { OnSelect(-1); });
    OnCommand(kIdSelectNext, [this] { OnSelect(+1); });
    OnCommand(kIdToggleStatic, [this] { OnToggleStatic(); });
}

void CComputeDialog::SetComputation(const Computation& c) {
    m_comp = c;
    m_selected = 0;
    Refresh();
}

void CComputeDialog::OnInitDialog() {
    const int half = kComputeStationSize / 2;
    if (QWidget* left = GetDlgItem(kIdLeftStation))
        left->setGeometry(kComputePlot.left() - half, kComputeStationTop, kComputeStationSize, kComputeStationSize);
    if (QWidget* right = GetDlgItem(kIdRightStation))
        right->setGeometry(kComputePlot.right() - half, kComputeStationTop, kComputeStationSize, kComputeStationSize);
    ShowMessage(QString());
    Refresh();
}

// ---- files ------------------------------------------------------------------------------

QString CComputeDialog::ChooseFile(const char* extension) {
    CFileListDialog list(this);
    list.SetPattern(CConfiguration::DataFolder() + "*" + extension);
    if (RunChild(list) != kResultOk) return QString();
    return QString::fromStdString(list.SelectedPath());
}

bool CComputeDialog::ReadFile(const std::string& path) {
    std::ifstream file = platform::OpenForRead(path);
    std::string error = file.is_open() ? "" : "cannot open the file";
    if (file.is_open()) {
        try {
            ReadComputation(file, m_comp, DisplayLength(), DisplayTime());
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    if (!error.empty()) platform::DebugPrintf("COMPUTE: %s not read: %s\r\n", path.c_str(), error.c_str());
    else m_selected = 0;
    ShowMessage(QString::fromStdString(error));
    Refresh();
    return error.empty();
}

// The points are written in the units they are shown in, and say so.
bool CComputeDialog::WriteFile(const std::string& path) {
    std::ostringstream bytes;
    WriteComputation(bytes, m_comp, DisplayLength(), DisplayTime());
    const bool written = platform::WriteFileAtomic(path, bytes.str());
    ShowMessage(written ? QString() : LoadString(kNotSavedMessage));
    return written;
}

bool CComputeDialog::AddRun(const std::string& corrPath) {
    std::ifstream file = platform::OpenForRead(corrPath);
    std::string error = "cannot open the file";
    const std::optional<RunPoint> point =
        file.is_open() ? ReadRunPoint(file, m_runOptions, DisplayLength(), DisplayTime(), &error) : std::nullopt;
    if (!point) {
        platform::DebugPrintf("COMPUTE: %s adds no point: %s\r\n", corrPath.c_str(), error.c_str());
        ShowMessage(QString::fromStdString(error));
        return false;
    }
    AddRunPoint(m_comp, *point);
    m_selected = m_comp.points.Size() - 1;
    ShowMessage(QString());
    Refresh();
    return true;
}

void CComputeDialog::OnOpen() {
    const QString path = ChooseFile(kComputationExtension);
    if (!path.isEmpty()) ReadFile(path.toStdString());
}

void CComputeDialog::OnSaveAs() {
    CFilenameDialog name(this);
    name.SetPrompt(LoadString(kSavePrompt));
    name.SetExtension(QString::fromLatin1(kComputationExtension));
    if (RunChild(name) == kResultOk) WriteFile(name.Path());
}

void CComputeDialog::OnInfo() {
    CInformationDialog info(this);
    info.SetTexts(m_info);
    if (RunChild(info) == kResultOk) m_info = info.GetTexts();
}

void CComputeDialog::OnAddResult() {
    const QString path = ChooseFile(kRunExtension);
    if (!path.isEmpty()) AddRun(path.toStdString());
}

// ---- points -----------------------------------------------------------------------------

void CComputeDialog::OnRemove() {
    if (!m_comp.points.Remove(m_selected)) return;
    m_selected = 0;
    Refresh();
}

void CComputeDialog::OnToggle() {
    m_comp.points.ToggleIncluded(m_selected);
    Refresh();
}

void CComputeDialog::OnSelect(int delta) {
    const size_t count = m_comp.points.Size();
    if (count == 0) return;
    if (delta < 0 && m_selected > 0) --m_selected;
    if (delta > 0 && m_selected + 1 < count) ++m_selected;
    Refresh();
}

void CComputeDialog::OnToggleStatic() {
    std::swap(m_comp.leftStation, m_comp.rightStation);
    Refresh();
}

// ---- what the screen shows --------------------------------------------------------------

void CComputeDialog::ShowMessage(const QString& text) { SetItemText(kIdMessage, text); }

void CComputeDialog::Refresh() {
    const size_t count = m_comp.points.Size();
    if (m_selected >= count) m_selected = 0;
    const LengthUnit length = DisplayLength();
    const TimeUnit time = DisplayTime();
    const ComputeCaptions captions = LoadCaptions();
    const ComputeResultTexts texts = ComputeResults(m_comp.points, m_selected, length, time, captions);
    SetItemText(kIdSeparation, ResultLine(texts.separation, captions.separation));
    SetItemText(kIdLeakDistance, ResultLine(texts.leakDistance, captions.leakDistance));
    SetItemText(kIdVelocity, ResultLine(texts.velocity, captions.velocity));
    SetItemText(kIdDelay, ResultLine(texts.delay, captions.delay));

    EnableItem(kIdRemoveResult, count > 0);
    EnableItem(kIdToggleResult, count > 0);
    EnableItem(kIdSelectPrevious, count > 0 && m_selected > 0);
    EnableItem(kIdSelectNext, count > 0 && m_selected + 1 < count);

    auto title = [this](int id, const char16_t* unit) {
        const ControlTemplate* c = Template().Find(id);
        if (c) SetItemText(id, QString::fromStdU16String(AxisTitle(c->caption.toStdU16String(), unit)));
    };
    title(kIdSeparationAxis, length == LengthUnit::Feet ? u"(ft)" : u"(m)");
    title(kIdDelayAxis, time == TimeUnit::Milliseconds ? u"(ms)" : u"(s)");
    if (auto* left = Item<QLabel>(kIdLeftStation)) left->setPixmap(Picture(StationPicture(m_comp.leftStation)));
    if (auto* right = Item<QLabel>(kIdRightStation)) right->setPixmap(Picture(StationPicture(m_comp.rightStation)));
    update();
}

void CComputeDialog::OnPaint(QPainter& painter) {
    ComputeGraphInput in;
    in.points = &m_comp.points;
    in.selected = m_selected;
    in.time = DisplayTime();
    in.inverted = g_configuration.colourScheme != 0;
    PaintComputeGraph(painter, in);
}
