// The main window's life: start-up, the two modes, the selection guard, exit.

#include "app/frmsplit.h"

#include "app/placement.h"
#include "byterange/ui/bytepanel.h"
#include "core/errors.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/interaction.h"
#include "core/ui/scrollbar.h"
#include "listening/ui/listeningpanel.h"
#include "segment/ui/resultpanel.h"
#include "segment/ui/segmentwriter.h"
#include "segment/ui/sourcepanel.h"
#include "settings/settings.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWindow>

namespace {

// Screen readers hear the main window as a window, not as a pane.
QAccessibleInterface *mainWindowAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("TFrmsplit") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

TFrmsplit::TFrmsplit(Services services, QWidget *parent) : QWidget(parent), m_services(std::move(services))
{
    static const bool accessible = (QAccessible::installFactory(mainWindowAccessible), true);
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("TFrmsplit"));
    buildControls();
    connectHandlers();
    connectShortcuts();
    connectMediaControls();
    setAcceptDrops(true);
    guarded([this] { FormCreate(); });
}

TFrmsplit::~TFrmsplit()
{
    m_listening->stop();
    m_result->stop();
}

void TFrmsplit::guarded(const std::function<void()> &handler)
{
    // While a write runs, no other handler runs inside it (a timer, the
    // desktop's media controls): the write's own handler goes on once it ends.
    if (m_writing)
        return;
    try {
        handler();
    } catch (const std::exception &e) {
        reportFailure(ui(), QString::fromLocal8Bit(e.what()));
    }
    // The desktop's media controls follow what the handler did.
    if (m_mpris)
        mediaControlsChanged();
}

void TFrmsplit::connectHandlers()
{
    const auto on = [this](QPushButton *b, void (TFrmsplit::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(Button2, &TFrmsplit::Button2Click);
    on(Button3, &TFrmsplit::Button3Click);
    on(CmdSupport, &TFrmsplit::CmdSupportClick);
    on(CmdAbout, &TFrmsplit::CmdaboutClick);
    on(CmdCancel, &TFrmsplit::CmdcancelClick);

    // A radio button's handler runs when it becomes checked, by a click or in code.
    connect(RadListen, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            guarded([this] { RadListenClick(); });
    });
    connect(RadByte, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            guarded([this] { RadByteClick(); });
    });
}

void TFrmsplit::FormCreate()
{
    m_listening->clear();
    m_bytes->clear();
    RadListen->setChecked(true);
    m_values.PreviewClosed = true;

    // Window size
    m_values.SizeIniPath = platform::sizeIniPath();
    const int32_t w = settings::ReadFormWidth(QString::fromLatin1(settings::kFormSection), m_values.SizeIniPath);
    const int32_t h = settings::ReadFormHeight(QString::fromLatin1(settings::kFormSection), m_values.SizeIniPath);
    const QScreen *display = screen();
    resize(placement::restoredSize(w, h, size(), display ? display->availableGeometry().size() : QSize()));

    // Ask flag
    // True until the stored value is read: a failure to read it leaves the
    // program asking, as a fresh installation does.
    m_values.AskForLocation = true;
    QString error;
    const std::optional<bool> ask = settings::LoadAskFlag(&error);
    if (!ask)
        return reportFailure(ui(), error);
    m_values.AskForLocation = *ask;
    m_result->setAsksForLocation(m_values.AskForLocation);
    m_listening->setExact(settings::LoadExactFlag());

    // Statistics file
    m_values.WindowsDir = platform::windowsDir();
    m_values.FileSelected = false;
    m_values.StatsIniPath = m_values.WindowsDir + QStringLiteral("/cleavo.ini");
    if (!settings::CreateStatsFileIfMissing(m_values.StatsIniPath, &error))
        return reportFailure(ui(), error);

    CmdSupport->show();
    m_source->clear();
    m_listening->setArrow(m_source->arrow());
    m_bytes->setArrow(m_source->arrow());
}

void TFrmsplit::RadListenClick()
{
    CmdSPlayClick();
    m_bytes->setVisible(false);
    m_listening->setVisible(true);
}

void TFrmsplit::RadByteClick()
{
    CmdstopClick();
    m_bytes->setVisible(true);
    m_listening->setVisible(false);
}

bool TFrmsplit::RequireSelection()
{
    if (m_values.FileSelected)
        return false;
    ui().messageBox(QStringLiteral(
        "You need to select an MP3 first before clicking anything else. Use the \"Select\" button at the very "
        "top to choose a file, then use the other buttons to play, fast forward, choose start and end points, "
        "etc. "));
    return true;
}

bool TFrmsplit::RefuseIncompleteSelection()
{
    if (!m_selectionIncomplete)
        return false;
    ui().messageBox(QStringLiteral(
        "The MP3 named at the top could not be selected whole, so nothing was cut: the window may still hold parts "
        "of the MP3 selected before it. Use the \"Select\" button to choose an MP3 again, then split it."));
    return true;
}

void TFrmsplit::CmdcancelClick()
{
    close();
}

void TFrmsplit::FormCloseQuery()
{
    QString error;
    // The size without the waveform strip.
    if (!settings::SaveFormSize(width(), height() - stripHeight(), QString::fromLatin1(settings::kFormSection),
                                m_values.SizeIniPath, &error)
        || !settings::SaveAskFlag(m_result->asksForLocation(), &error))
        reportFailure(ui(), error);
}

void TFrmsplit::keepFrameOnScreen()
{
    const QWindow *handle = windowHandle();
    const QScreen *display = screen();
    if (!handle || !display || isMaximized() || isFullScreen())
        return;
    const QMargins frame = handle->frameMargins();
    // A window as wide as the controls but too short for them gets the width
    // of its scroll bar too, where the screen has it, so that it scrolls one way only.
    QRect wanted = geometry();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const QSize layout = layoutSize();
    if (wanted.height() < layout.height() && wanted.width() >= layout.width() && wanted.width() < layout.width() + bar)
        wanted.setWidth(layout.width() + bar);
    const QRect fitted = placement::fitFrame(wanted, frame, display->availableGeometry(), QSize(136, 39));
    if (fitted.size() != size())
        resize(fitted.size());
    if (fitted.topLeft() != geometry().topLeft())
        move(fitted.topLeft() - QPoint(frame.left(), frame.top()));
}

void TFrmsplit::placeFrame()
{
    m_placing.start();
    keepFrameOnScreen();
    // The window manager may decorate the window without a move or a resize
    // that tells: look again a few times while it settles.
    for (int ms : {100, 300, 700, 1500})
        QTimer::singleShot(ms, this, [this] {
            if (m_placing.isValid())
                keepFrameOnScreen();
        });
}

bool TFrmsplit::event(QEvent *event)
{
    // The desktop adds its frame after the window shows: until the frame is
    // known, the window is kept inside the area the panels leave free.
    if (m_placing.isValid()
        && (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        if (m_placing.elapsed() > 3000)
            m_placing.invalidate();
        else
            QTimer::singleShot(0, this, [this] { keepFrameOnScreen(); });
    }
    // A message box or dialog opened while a mouse button is held on a scroll
    // bar takes the release: the bar must stop there, or it would go on
    // stepping (and opening boxes) while the box is up.
    if (event->type() == QEvent::WindowBlocked) {
        for (ScrollBar *bar : findChildren<ScrollBar *>())
            bar->cancelPress();
    }
    return QWidget::event(event);
}

namespace {

// The checked button of the group of an unchecked radio button, if any: Tab
// enters such a group at its checked button, as the arrow keys choose within.
QRadioButton *checkedInstead(QWidget *w)
{
    const auto *radio = qobject_cast<QRadioButton *>(w);
    if (!radio || radio->isChecked() || !radio->autoExclusive() || !radio->parentWidget())
        return nullptr;
    for (QRadioButton *other : radio->parentWidget()->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly)) {
        if (other->isChecked() && other->autoExclusive() && other->isEnabled() && other->isVisibleTo(radio->window()))
            return other;
    }
    return nullptr;
}

} // namespace

bool TFrmsplit::focusNextPrevChild(bool next)
{
    if (!QWidget::focusNextPrevChild(next))
        return false;
    if (QRadioButton *checked = checkedInstead(QApplication::focusWidget()))
        checked->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void TFrmsplit::closeEvent(QCloseEvent *event)
{
    // Closed during a write: the write is cancelled, and the window closes
    // once it has ended.
    if (m_writing) {
        m_quitAfterWrite = true;
        m_writing->cancel.store(true);
        event->ignore();
        return;
    }
    // Settings that cannot be saved are reported, but never keep the window open.
    guarded([this] { FormCloseQuery(); });
    m_listening->stop();
    m_result->stop();
    event->accept();
}
