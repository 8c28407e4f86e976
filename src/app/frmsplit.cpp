// The main window's life: start-up, the two modes, the selection guard, exit.

#include "core/ui/frmsplit.h"
#include "app/placement.h"

#include "app/scrollbar.h"
#include "core/errors.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/interaction.h"
#include "listening/ui/scrollnotifier.h"
#include "listening/ui/spinedit.h"
#include "segment/segmentfile.h"
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
    MediaPlayer1().opened = [this] {
        guarded([this] { SourceRead(); });
    };
    setAcceptDrops(true);
    guarded([this] { FormCreate(); });
}

TFrmsplit::~TFrmsplit()
{
    Timer2->stop();
    Timer3->stop();
}

void TFrmsplit::startIfIdle(QTimer *timer)
{
    if (!timer->isActive())
        timer->start();
}

void TFrmsplit::guarded(const std::function<void()> &handler)
{
    // While a write runs, no other handler runs inside it (a timer, the
    // desktop's media controls): the write's own handler goes on once it ends.
    if (m_writing)
        return;
    try {
        handler();
    } catch (const HandlerFailure &failure) {
        ui().errorReport(errorReportText(failure.text));
    } catch (const std::exception &e) {
        ui().errorReport(errorReportText(QString::fromLocal8Bit(e.what())));
    }
    // The desktop's media controls follow what the handler did.
    if (m_mpris)
        mediaControlsChanged();
}

void TFrmsplit::endWith(const QString &failure)
{
    throw HandlerFailure{failure};
}

void TFrmsplit::connectHandlers()
{
    const auto on = [this](QPushButton *b, void (TFrmsplit::*handler)()) {
        connect(b, &QPushButton::clicked, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(Cmdselect, &TFrmsplit::CmdselectClick);
    on(CmdPlay, &TFrmsplit::CmdPlayClick);
    on(CmdPause, &TFrmsplit::CmdPauseClick);
    on(CmdStop, &TFrmsplit::CmdstopClick);
    on(CmdRewind, &TFrmsplit::CmdRewindClick);
    on(CmdForward, &TFrmsplit::CmdForwardClick);
    on(CmdStart, &TFrmsplit::CmdStartClick);
    on(CmdEnd, &TFrmsplit::CmdEndClick);
    on(BitBtn1, &TFrmsplit::BitBtn1Click);
    on(CmdPmp3, &TFrmsplit::CmdPmp3Click);
    on(CmdOmp3, &TFrmsplit::CmdOmp3Click);
    on(CmdSPlay, &TFrmsplit::CmdSPlayClick);
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

    connect(ChkExact, &QCheckBox::clicked, this, [this] { guarded([this] { ChkExactClick(); }); });
    connect(ScrollStart, &QScrollBar::valueChanged, this, [this] { guarded([this] { ScrollStartChange(); }); });
    connect(ScrollEnd, &QScrollBar::valueChanged, this, [this] { guarded([this] { ScrollEndChange(); }); });
    m_scroll1 = new ScrollNotifier(ScrollBar1);
    m_scroll1->setHandler([this](int code, int pos) { guarded([=, this] { ScrollBar1Scroll(code, pos); }); });

    connect(Timer2, &QTimer::timeout, this, [this] { guarded([this] { Timer2Timer(); }); });
    connect(Timer3, &QTimer::timeout, this, [this] { guarded([this] { Timer3Timer(); }); });
}

void TFrmsplit::FormCreate()
{
    LblCurrent->clear();
    LblEnd->clear();
    LblRealByte->clear();
    LblRealTime->clear();
    RadListen->setChecked(true);
    v.PreviewClosed = true;

    // Window size
    v.SizeIniPath = platform::sizeIniPath();
    const int32_t w = settings::ReadFormWidth(QString::fromLatin1(settings::kFormSection), v.SizeIniPath);
    const int32_t h = settings::ReadFormHeight(QString::fromLatin1(settings::kFormSection), v.SizeIniPath);
    const QScreen *display = screen();
    resize(placement::restoredSize(w, h, size(), display ? display->availableGeometry().size() : QSize()));

    // Ask flag
    // True until the stored value is read: a failure to read it leaves the
    // program asking, as a fresh installation does.
    v.AskForLocation = true;
    QString error;
    v.AskForLocation = must(settings::LoadAskFlag(&error), error);
    (v.AskForLocation ? RadAsk : RadDefault)->setChecked(true);
    ChkExact->setChecked(settings::LoadExactFlag());

    // Statistics file
    v.WindowsDir = platform::windowsDir();
    v.FileSelected = false;
    v.StatsIniPath = v.WindowsDir + QStringLiteral("/cleavo.ini");
    must(settings::CreateStatsFileIfMissing(v.StatsIniPath, &error), error);

    CmdSupport->show();
    Lblliteral->hide();
    Image2->setPixmap(Image1->pixmap());
    Image4->setPixmap(Image1->pixmap());
}

void TFrmsplit::RadListenClick()
{
    CmdSPlayClick();
    PanByte->hide();
    PanListen->show();
}

void TFrmsplit::RadByteClick()
{
    CmdstopClick();
    PanByte->show();
    PanListen->hide();
}

bool TFrmsplit::RequireSelection()
{
    if (v.FileSelected)
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
    must(settings::SaveFormSize(width(), height(), QString::fromLatin1(settings::kFormSection), v.SizeIniPath, &error),
         error);
    must(settings::SaveAskFlag(RadAsk->isChecked(), &error), error);
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
    if (wanted.height() < kLayoutSize.height() && wanted.width() >= kLayoutSize.width()
        && wanted.width() < kLayoutSize.width() + bar)
        wanted.setWidth(kLayoutSize.width() + bar);
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
    Timer2->stop();
    Timer3->stop();
    event->accept();
}
