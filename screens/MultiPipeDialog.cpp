#include "screens/MultiPipeDialog.h"

#include <QLabel>
#include <QPainter>
#include <algorithm>

#include "pipe/PipeEntry.h"
#include "screens/MaterialDialog.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/FancyButton.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"

namespace {

// The list between the two station pictures, px; the right-hand column holds
// START CORRELATION and BACK.
constexpr int kListTop = 68;
constexpr int kListHeight = 360;
constexpr int kRowGap = 3;
constexpr int kInsertX = 8, kInsertWidth = 84;
constexpr int kDescriptionX = 96, kDescriptionWidth = 300;
constexpr int kMarkX = 401, kMarkWidth = 12;
constexpr int kDeleteX = 418, kDeleteWidth = 82;
constexpr int kStationSize = 32, kStationNameX = 46, kStationNameWidth = 240;
// Station names are string-table entries 102-105 (BASE, RED, BLUE, YELLOW).
constexpr int kFirstStationString = 102;

}  // namespace

CMultiPipeDialog::CMultiPipeDialog(const CPipe& pipe, QWidget* parent)
    : CDialogBase(kTemplate, parent), m_pipe(pipe) {
    CreateRows();
    OnCommand(kIdStart, [this] { EndDialog(kResultOk); });
    OnCommand(kIdBack, [this] { EndDialog(kResultCancel); });
}

void CMultiPipeDialog::CreateRows() {
    auto place = [this](int id, const QString& caption) {
        auto* button = new CFancyButton(caption, this);
        button->hide();
        RegisterControl(id, button);
    };
    for (int row = 0; row < kRows; ++row) {
        place(kIdFirstInsert + row, LoadString(kInsertString));
        place(kIdFirstDescription + row, QString());
        place(kIdFirstDelete + row, LoadString(kDeleteString));
        OnCommand(kIdFirstInsert + row, [this, row] { OnInsert(row); });
        OnCommand(kIdFirstDescription + row, [this, row] { OnReplace(row); });
        OnCommand(kIdFirstDelete + row, [this, row] { OnDelete(row); });
    }
}

QRect CMultiPipeDialog::RowRect(int row) const {
    const int height = EditorRowHeight(m_pipe.GetSectionCount(), kListHeight);
    return QRect(kInsertX, kListTop + row * height, kDeleteX + kDeleteWidth - kInsertX, height - kRowGap);
}

void CMultiPipeDialog::OnInitDialog() {
    const int a = static_cast<int>(m_pipe.GetStationA()), b = static_cast<int>(m_pipe.GetStationB());
    if (auto* picture = Item<QLabel>(kIdStationAPicture)) picture->setPixmap(Picture(StationPicture(a)));
    if (auto* picture = Item<QLabel>(kIdStationBPicture)) picture->setPixmap(Picture(StationPicture(b)));
    // The names stand beside their pictures in either reading direction.
    for (int id : {int(kIdStationAName), int(kIdStationBName)})
        if (auto* name = Item<QLabel>(id)) name->setAlignment(Qt::AlignAbsolute | Qt::AlignLeft | Qt::AlignVCenter);
    SetItemText(kIdStationAName, LoadString(kFirstStationString + std::clamp(a, 0, 3)));
    SetItemText(kIdStationBName, LoadString(kFirstStationString + std::clamp(b, 0, 3)));
    ShowValues();
}

bool CMultiPipeDialog::EnterSection(PipeSegment& section) {
    CMaterialDialog chain(this);
    chain.SetPipe(m_pipe);
    chain.SetSectionOnly(true);
    if (RunChild(chain) != kResultOk) return false;
    section = chain.Section();
    return true;
}

void CMultiPipeDialog::OnInsert(int row) {
    if (m_pipe.GetSectionCount() >= CPipe::kMaxSections || row > m_pipe.GetSectionCount()) return;
    PipeSegment section;
    if (!EnterSection(section)) return;
    m_pipe.InsertSection(row, section);
    ShowValues();
}

void CMultiPipeDialog::OnReplace(int row) {
    if (row >= m_pipe.GetSectionCount()) return;
    PipeSegment section;
    if (!EnterSection(section)) return;
    m_pipe.SetSection(row, section);
    ShowValues();
}

void CMultiPipeDialog::OnDelete(int row) {
    if (m_pipe.GetSectionCount() <= 1 || row >= m_pipe.GetSectionCount()) return;
    m_pipe.RemoveSection(row);
    ShowValues();
}

void CMultiPipeDialog::ShowValues() {
    const int count = m_pipe.GetSectionCount();
    for (int row = 0; row < kRows; ++row) {
        const EditorRow shown = EditorRowControls(row, count);
        const QRect r = RowRect(row);
        PlaceItem(kIdFirstInsert + row, QRect(kInsertX, r.top(), kInsertWidth, r.height()));
        PlaceItem(kIdFirstDescription + row, QRect(kDescriptionX, r.top(), kDescriptionWidth, r.height()));
        PlaceItem(kIdFirstDelete + row, QRect(kDeleteX, r.top(), kDeleteWidth, r.height()));
        ShowItem(kIdFirstInsert + row, shown.insert);
        ShowItem(kIdFirstDescription + row, shown.description);
        ShowItem(kIdFirstDelete + row, shown.remove);
        if (shown.description) {
            std::u16string text = m_pipe.GetSection(row).GetDescription(g_configuration.unitSystem,
                                                                        g_configuration.velocityPerMs);
            if (LanguageIsFarsi()) text = EmbeddedLeftToRight(text);
            SetItemText(kIdFirstDescription + row, QString::fromStdU16String(text));
        }
    }
    // Station B stands right below the last row in use.
    const int bottom = RowRect(EditorVisibleRows(count) - 1).bottom() + kRowGap + 2;
    const int top = kListTop - kStationSize - 2;
    PlaceItem(kIdStationBPicture, QRect(kInsertX, bottom, kStationSize, kStationSize));
    PlaceItem(kIdStationBName, QRect(kStationNameX, bottom, kStationNameWidth, kStationSize));
    PlaceItem(kIdStationAPicture, QRect(kInsertX, top, kStationSize, kStationSize));
    PlaceItem(kIdStationAName, QRect(kStationNameX, top, kStationNameWidth, kStationSize));
    EnableItem(kIdStart, count > 0);
    update();
}

// A colour mark per section in its material's colour, outlined in the text
// colour so that grey materials show on both backgrounds.
void CMultiPipeDialog::OnPaint(QPainter& painter) {
    painter.save();
    painter.setPen(QPen(TextColour(), 1));
    for (int row = 0; row < m_pipe.GetSectionCount(); ++row) {
        const MaterialColour c = m_pipe.GetSection(row).GetColour();
        const QRect r = RowRect(row);
        painter.setBrush(QColor(c.r, c.g, c.b));
        painter.drawRect(VisualRect(QRect(kMarkX, r.top() + 2, kMarkWidth, r.height() - 4)));
    }
    painter.restore();
}
