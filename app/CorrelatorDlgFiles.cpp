// app/CorrelatorDlgFiles.cpp — keeping runs: SAVE (information texts, a
// name, the run file, its recording and two pictures), OPEN (a saved run
// becomes a stopped replay of its recording) and INFO.

#include <QLabel>

#include "app/CorrelatorDlg.h"
#include "app/GraphLayout.h"
#include "app/RunPicture.h"
#include "app/RunSettings.h"
#include "dsp/WaveFile.h"
#include "hardware/SensorHardware.h"
#include "pipe/PipeEntry.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/RunFiles.h"
#include "screens/FileListDialog.h"
#include "screens/FilenameDialog.h"
#include "screens/InformationDialog.h"
#include "screens/RunSave.h"
#include "settings/Configuration.h"
#include "ui/ImageWriter.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

constexpr int kStrSavePrompt = 109;
constexpr int kStrFileName = 174, kStrInfoPipe = 123, kStrFilters = 124, kStrInfoElapsed = 187, kStrInfoSnr = 188,
              kStrComments = 128, kStrReference = 129;
constexpr const char* kRunExtension = ".corr";
constexpr int kStrNotSaved = 955;            // "CORRELATION NOT SAVED"
constexpr int32_t kNotSavedHoldTicks = 150;  // 15 s on the status line

// An encoded picture as a file of the set; no bytes (the encoder refused) fail the set.
platform::FileWrite PictureFile(const std::string& path, std::string bytes) {
    return {path, [bytes = std::move(bytes)](std::ostream& os) {
                return !bytes.empty() && os.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            }};
}

// An optimisation trying bands leaves a trial band on the first post-filter
// and its result in the first accumulator. A save keeps the band in force,
// which the Red and Blue filters hold until the optimisation applies its
// choice: the post-filter as a reader makes it from the Blue filter's record,
// and the result it gives. The next trial sets its own band again.
void KeepBandInForce(CCorrelation& run) {
    FilterBand band = run.BlueFilter(0).Band();
    band.notchOn = true;
    run.PostFilterOf(0).SetBand(band, fir::kWelch, CCorrelation::kPostFilterTaps);
    run.DisplayTrace(0);
}

}  // namespace

// ---- INFO -------------------------------------------------------------------------------

// The screen edits copies; they go back whichever way it closes (CANCEL
// hands back the copies as they were).
void CCorrelatorDlg::OnInfo() {
    CInformationDialog info(this);
    info.SetTexts(m_run->Info());
    RunChild(info);
    m_run->Info() = info.GetTexts();
}

// ---- SAVE -------------------------------------------------------------------------------

void CCorrelatorDlg::OnSave() {
    OnInfo();
    CFilenameDialog name(this);
    name.SetPrompt(LoadString(kStrSavePrompt));
    name.SetExtension(QString::fromLatin1(kRunExtension));
    if (RunChild(name) != kResultOk) return;
    SaveRunAs(name.Name().toStdString());
}

// The run file, its recording and both pictures are one set: all replaced or
// none (a protected file, a full medium), and then the status line says so.
std::array<bool, 4> CCorrelatorDlg::SaveRunAs(const std::string& stem) {
    if (m_loop.Optimising()) KeepBandInForce(*m_run);
    const std::string folder = CConfiguration::DataFolder();  // the flash root when the unit has no data folder
    const platform::RunFilePaths paths = platform::RunFileNames(folder, stem);
    const QString fileName = QString::fromStdString(stem) + QString::fromLatin1(kRunExtension);
    const QImage picture = RunPictureNow(fileName);
    std::vector<platform::FileWrite> files = RunDataFiles(*m_run, paths);  // wav, corr
    files.push_back(PictureFile(paths.png, PngBytes(picture)));
    files.push_back(PictureFile(paths.jpg, JpegBytes(picture)));
    const bool saved = platform::WriteFileSet(files).front();
    if (!saved) {
        platform::DebugPrintf("SAVE: %s not written; the files saved before stay\r\n", stem.c_str());
        SetItemText(kIdStatusLine, LoadString(kStrNotSaved));
        m_loop.HoldStatusLine(kNotSavedHoldTicks);
        return {};
    }
    m_runTitle = fileName;
    InvalidatePanel();
    return {true, true, true, true};
}

// The graph is modelled again in normal colours with the normal pictures,
// then the screen's scheme comes back.
QImage CCorrelatorDlg::RunPictureNow(const QString& fileName) {
    const int32_t scheme = g_configuration.colourScheme;
    if (scheme != 0) {
        g_configuration.colourScheme = 0;
        ReloadPictures();
    }
    CCorrelation& run = *m_run;
    const QString language = QString::fromStdU16String(g_configuration.Language());
    RunPictureInput in;
    in.fontFamily = language == QStringLiteral("CHS") ? QStringLiteral("SimSun") : QStringLiteral("Arial");
    in.rightToLeft = language == QStringLiteral("FAS");
    in.title = QString::fromStdU16String(run.Info()[0]);
    if (in.title.isEmpty()) in.title = fileName;

    const FilterWords words = LoadFilterWords();
    QString filters;
    for (int32_t k = 0; k < run.TraceCount(); ++k) {
        if (k > 0) filters += QStringLiteral("; ");
        filters += QString::fromStdU16String(run.PostFilterOf(k).BandText(run.SampleRate(), words));
    }
    const QString blank = QStringLiteral(" ");
    in.labels = {LoadString(kStrFileName) + blank, LoadString(kStrInfoPipe) + blank, LoadString(kStrFilters) + blank,
                 LoadString(kStrInfoElapsed) + blank, LoadString(kStrInfoSnr) + blank};
    // A survey pipe's description names its range.
    // After the right-to-left picture's left-to-right override a Persian
    // word would read backwards with its letters apart: it is embedded.
    std::u16string pipe = run.Pipe().GetDescription(static_cast<LengthUnit>(g_configuration.unitSystem));
    if (in.rightToLeft) pipe = EmbeddedLeftToRight(pipe);
    const float snr = run.SamplesCorrelated() > 0 ? run.Snr() : 0.0f;
    in.values = {fileName, QString::fromStdU16String(pipe), filters,
                 QString::number(run.Clock().ElapsedMs() / 1000.0, 'f', 1) + QStringLiteral("s"),
                 QString::number(static_cast<long long>(snr)) + QStringLiteral(":1")};
    in.commentsLabel = LoadString(kStrComments) + blank;
    in.referenceLabel = LoadString(kStrReference) + blank;
    in.comments = {QString::fromStdU16String(run.Info()[1]), QString::fromStdU16String(run.Info()[2]),
                   QString::fromStdU16String(run.Info()[3])};
    in.reference = QString::fromStdU16String(run.Info()[4]);

    UpdateResultTexts();
    BuildGraphModel();
    in.graph = m_model;
    in.graph.title.clear();  // the picture has its own title
    in.paneCount = static_cast<int>(std::max<size_t>(m_model.panes.size(), 1));
    in.stationA = Picture(StationPicture(static_cast<int>(run.Pipe().GetStationA())));
    in.stationB = Picture(StationPicture(static_cast<int>(run.Pipe().GetStationB())));
    in.distanceA = ItemText(kIdDistanceA);
    in.distanceB = ItemText(kIdDistanceB);
    QImage picture = MakeRunPicture(in);

    if (scheme != 0) {
        g_configuration.colourScheme = scheme;
        ReloadPictures();
        ShowPictures();
        ShowBadgePicture();
        ShowItem(kIdBadge, false);
    }
    m_modelStale = true;
    return picture;
}

// ---- OPEN -------------------------------------------------------------------------------

void CCorrelatorDlg::OnOpen() {
    const std::string name = ChooseRunFile();
    if (!name.empty()) OpenRunFile(name);
}

// The file list of the data folder's runs; empty when none was chosen.
std::string CCorrelatorDlg::ChooseRunFile() {
    CFileListDialog list(this);
    list.SetPattern(CConfiguration::DataFolder() + "*" + kRunExtension);
    if (RunChild(list) != kResultOk) return {};
    return list.SelectedName().toStdString();
}

// A run file that cannot be read leaves a new, empty run (never a half-read
// one); its recording, when there is one, is still replayed.
void CCorrelatorDlg::OpenRunFile(const std::string& name) {
    if (m_loop.Running()) StopSequence();
    m_run->AttachRecording(nullptr);  // the previous replay's recording closes
    OpenedRun opened = OpenRun(CConfiguration::DataFolder() + name, CorrelationOptionsFromConfiguration());
    if (!opened.fileRead)
        platform::DebugPrintf("OPEN: %s not read: %s\r\n", name.c_str(), opened.error.c_str());
    m_run = std::move(opened.run);
    m_loop.RunReplaced();
    CCorrelation& run = *m_run;

    SetCheck(kIdAutoCursor, run.View().cursorOnPeak ? 1 : 0);
    ShowThreeBandButtons(run.TraceCount() >= 2);
    EnableItem(kIdSnapshotOptions, false);
    g_replay = 1;
    m_runTitle = QString::fromStdString(name);
    ShowEmptyResults();  // nothing of the last run stays; the paint shows the opened run's results
    RefreshLabels();

    OnReturn();
    for (int id : {kIdResume, kIdStop, kIdSurvey}) ShowItem(id, false);
    for (int id : {kIdStart, kIdReset}) ShowItem(id, true);
    // The first START offers the pipe the recording was made on, as saved
    // (a velocity measured on site included).
    m_mainPipe = run.Pipe();
    m_pipeEntryPending = false;
    m_resultsChanged = false;
    ClearEnlargement();
    m_modelStale = true;
    update();
}
