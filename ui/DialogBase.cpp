#include "ui/DialogBase.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <QVariant>

#include "hardware/UserActivity.h"
#include "platform/Debug.h"
#include "settings/Configuration.h"
#include "settings/Language.h"
#include "ui/Controls.h"
#include "ui/FancyButton.h"
#include "ui/Hotspot.h"
#include "ui/PictureSet.h"
#include "ui/Resources.h"
#include "ui/UnitTime.h"

namespace {
constexpr const char* kIdProperty = "controlId";
constexpr const char* kWakingTouchActsProperty = "wakingTouchActs";

// Whether a touch that wakes a dimmed display still acts on w: the program's
// X and POWER, and a screen shown while the display may be off.
bool WakingTouchActs(const QWidget* w) {
    for (; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (w->property(kWakingTouchActsProperty).toBool()) return true;
    return false;
}

// Pen-down anywhere on a screen (its surface, a button, a list, a slider)
// reports user activity, so the backlight returns as the pen lands. When the
// display had been dimmed the whole touch, down to pen-up, is swallowed: it
// only woke the display.
class TouchActivityFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    // Widgets only: the window system's window hands each event on to one.
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* w = qobject_cast<QWidget*>(watched);
            if (!w || !qobject_cast<CDialogBase*>(w->window())) return false;
            m_swallowing = !ReportUserActivity() && !WakingTouchActs(w);
            return m_swallowing;
        }
        case QEvent::MouseMove:
            return m_swallowing && watched->isWidgetType();
        case QEvent::MouseButtonRelease: {
            if (!watched->isWidgetType()) return false;
            const bool swallow = m_swallowing;
            m_swallowing = false;
            return swallow;
        }
        default:
            return false;
        }
    }

private:
    bool m_swallowing = false;  // between the pen-down that woke the display and its pen-up
};

void InstallTouchActivityFilter() {
    static QObject* filter = [] {
        auto* f = new TouchActivityFilter(qApp);
        qApp->installEventFilter(f);
        return f;
    }();
    (void)filter;
}

}  // namespace

CDialogBase::CDialogBase(int templateId, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_templateId(templateId) {
    setObjectName(QStringLiteral("dlg%1").arg(templateId));
    if (LanguageIsFarsi()) setLayoutDirection(Qt::RightToLeft);
    if (auto t = LoadDialogTemplate(templateId))
        m_template = std::move(*t);
    else
        platform::DebugPrintf("dialog template %d missing\n", templateId);
    setFixedSize(UnitsToPixels(m_template.units));  // a full screen unless the template is smaller
    BuildControls();
    InstallTouchActivityFilter();
}

void CDialogBase::BuildControls() {
    setFont(ScreenFont(m_template));
    for (const ControlTemplate& c : m_template.controls) {
        QWidget* w = CreateControl(c, this);
        w->setGeometry(VisualRect(w->geometry()));
        RegisterControl(c.id, w);
    }
}

int CDialogBase::DoModal() {
    OnInitDialog();
    return exec();
}

void CDialogBase::EndDialog(int result) {
    while (!m_timers.empty()) KillTimer(m_timers.begin()->first);
    done(result);
}

void CDialogBase::reject() { EndDialog(kResultCancel); }

int CDialogBase::RunChild(CDialogBase& child) {
    const int result = child.DoModal();
    if (IsPassedUp(result)) EndDialog(result);
    return result;
}

QWidget* CDialogBase::GetDlgItem(int id) const {
    return findChild<QWidget*>(QStringLiteral("ctl%1").arg(id));
}

void CDialogBase::ShowItem(int id, bool show) {
    if (QWidget* w = GetDlgItem(id)) w->setVisible(show);
}

void CDialogBase::EnableItem(int id, bool enable) {
    if (QWidget* w = GetDlgItem(id)) w->setEnabled(enable);
}

void CDialogBase::SetItemText(int id, const QString& text) { SetControlText(GetDlgItem(id), text); }

QString CDialogBase::ItemText(int id) const { return ControlText(GetDlgItem(id)); }

void CDialogBase::SetCheck(int id, int state) {
    if (auto* b = Item<CFancyButton>(id)) b->SetCheck(state);
    else if (auto* h = Item<CHotspot>(id)) h->SetCheck(state);
}

int CDialogBase::GetCheck(int id) const {
    if (auto* b = Item<CFancyButton>(id)) return b->GetCheck();
    if (auto* h = Item<CHotspot>(id)) return h->GetCheck();
    return 0;
}

void CDialogBase::SetTimer(int id, int periodMs) {
    KillTimer(id);
    // Under virtual time the timer runs on the unit's clock (kept as -id there).
    if (VirtualTime::Running())
        m_timers[id] = -VirtualTime::Add(this, periodMs, true, [this, id] { OnTimer(id); });
    else
        m_timers[id] = startTimer(std::max(1, periodMs));
}

void CDialogBase::KillTimer(int id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return;
    if (it->second < 0) VirtualTime::Cancel(-it->second);
    else killTimer(it->second);
    m_timers.erase(it);
}

void CDialogBase::timerEvent(QTimerEvent* event) {
    for (const auto& [id, qtId] : m_timers)
        if (qtId == event->timerId()) {
            OnTimer(id);
            return;
        }
    QDialog::timerEvent(event);
}

QColor CDialogBase::BackgroundColour() { return g_configuration.colourScheme ? Qt::black : Qt::white; }

QColor CDialogBase::TextColour() { return g_configuration.colourScheme ? Qt::white : Qt::black; }

void CDialogBase::OnCommand(int id, std::function<void()> handler) {
    auto* button = Item<QAbstractButton>(id);
    if (!button) return;
    connect(button, &QAbstractButton::clicked, this, [handler = std::move(handler)] {
        if (ReportUserActivity()) handler();
    });
}

void CDialogBase::OnCommandAlways(int id, std::function<void()> handler) {
    auto* button = Item<QAbstractButton>(id);
    if (!button) return;
    button->setProperty(kWakingTouchActsProperty, true);
    connect(button, &QAbstractButton::clicked, this, [handler = std::move(handler)] {
        ReportUserActivity();
        handler();
    });
}

void CDialogBase::SetWakingTouchesAct(bool act) { setProperty(kWakingTouchActsProperty, act); }

void CDialogBase::RegisterControl(int id, QWidget* control) {
    control->setObjectName(QStringLiteral("ctl%1").arg(id));
    control->setProperty(kIdProperty, id);
}

QRect CDialogBase::VisualRect(const QRect& logical) const {
    if (!Mirrored()) return logical;
    return QRect(width() - logical.x() - logical.width(), logical.y(), logical.width(), logical.height());
}

void CDialogBase::PlaceItem(int id, const QRect& logical) {
    if (QWidget* w = GetDlgItem(id)) w->setGeometry(VisualRect(logical));
}

// Puts the controls at their template rectangles moved by shift pixels.
void CDialogBase::ShiftTemplateItems(const std::vector<int>& ids, int shift) {
    for (int id : ids) {
        const ControlTemplate* c = m_template.Find(id);
        QWidget* w = GetDlgItem(id);
        if (c && w) w->setGeometry(UnitsToPixels(c->units).translated(shift, 0));
    }
}

void CDialogBase::KeepPlace(const std::vector<int>& ids) {
    if (Mirrored()) ShiftTemplateItems(ids, 0);
}

void CDialogBase::KeepOrder(const std::vector<int>& ids) {
    if (!Mirrored()) return;
    QRect block;
    for (int id : ids)
        if (const ControlTemplate* c = m_template.Find(id)) block |= UnitsToPixels(c->units);
    ShiftTemplateItems(ids, VisualRect(block).x() - block.x());
}

QRegion CDialogBase::EraseRegion() const { return QRegion(rect()); }

// Statics and buttons take the background colour and the opposite text
// colour; made again whenever the scheme changed since they were made.
void CDialogBase::ApplySchemeColours() {
    if (m_brushScheme == g_configuration.colourScheme) return;
    m_brushScheme = g_configuration.colourScheme;
    ReloadPictures();
    QPalette p = palette();
    p.setColor(QPalette::Window, BackgroundColour());
    p.setColor(QPalette::WindowText, TextColour());
    p.setColor(QPalette::Button, BackgroundColour());
    p.setColor(QPalette::ButtonText, TextColour());
    p.setColor(QPalette::Base, BackgroundColour());
    p.setColor(QPalette::Text, TextColour());
    setPalette(p);
    // Pictures change scheme with the screen (battery, reception), not when
    // their owner next sets them.
    for (QLabel* label : findChildren<QLabel*>())
        if (const int id = SwitchedPictureShown(label->pixmap())) label->setPixmap(Picture(id));
    for (QWidget* w : findChildren<QWidget*>()) w->update();
}

void CDialogBase::showEvent(QShowEvent* event) {
    ApplySchemeColours();
    QDialog::showEvent(event);
}

void CDialogBase::paintEvent(QPaintEvent*) {
    ApplySchemeColours();
    QPainter painter(this);
    painter.save();
    painter.setClipRegion(EraseRegion());
    painter.fillRect(rect(), BackgroundColour());
    painter.restore();
    OnPaint(painter);
}

void CDialogBase::mousePressEvent(QMouseEvent* event) { OnPenDown(event->position().toPoint()); }

void CDialogBase::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) OnPenMove(event->position().toPoint());
}

// Pen-down reported the activity already (the touch filter above); the end
// of a long stroke counts again.
void CDialogBase::mouseReleaseEvent(QMouseEvent* event) {
    ReportUserActivity();
    OnPenUp(event->position().toPoint());
}

int ControlId(const QWidget* control) { return control ? control->property(kIdProperty).toInt() : 0; }
