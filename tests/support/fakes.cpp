#include "support/fakes.h"
#include "listening/mpgplayer.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionSlider>

#include <csignal>
#include <sys/resource.h>

void ScriptedInteraction::runModal(QDialog &dialog)
{
    ++modalCount;
    dialog.show();
    if (onModal)
        onModal(dialog);
}

QStringList ScriptedInteraction::texts() const
{
    QStringList out;
    for (const Shown &s : shown)
        out << s.text;
    return out;
}

QStringList ScriptedInteraction::textsOf(Kind kind) const
{
    QStringList out;
    for (const Shown &s : shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

namespace {

bool refuse(QString *error, const char *text)
{
    if (error)
        *error = QString::fromLatin1(text);
    return false;
}

} // namespace

bool FakePlayer::Open(QString *error)
{
    log << QStringLiteral("Open ") + FileName();
    open = false;
    if (failOpen)
        return refuse(error, "The file could not be opened");
    open = true;
    mode = Stopped;
    position = 0;
    return true;
}

bool FakePlayer::Close(QString *error)
{
    log << QStringLiteral("Close");
    if (failStop && open)
        return refuse(error, "close failed");
    open = false;
    return true;
}

bool FakePlayer::Play(QString *error)
{
    log << QStringLiteral("Play");
    if (!requireOpen(error))
        return false;
    if (failPlay)
        return refuse(error, "play failed");
    if (mode == Stopped && position >= length)
        position = 0;
    mode = Playing;
    return true;
}

bool FakePlayer::Stop(QString *error)
{
    log << QStringLiteral("Stop");
    if (!requireOpen(error))
        return false;
    if (failStop)
        return refuse(error, "stop failed");
    if (failStopsLeft > 0) {
        --failStopsLeft;
        return refuse(error, "stop failed");
    }
    mode = Stopped;
    return true;
}

bool FakePlayer::Pause(QString *error)
{
    log << QStringLiteral("Pause");
    if (!requireOpen(error))
        return false;
    if (mode == Playing)
        mode = Paused;
    else if (mode == Paused)
        mode = Playing;
    return true;
}

bool FakePlayer::Resume(QString *error)
{
    log << QStringLiteral("Resume");
    if (!requireOpen(error))
        return false;
    if (mode == Paused)
        mode = Playing;
    return true;
}

bool FakePlayer::setPosition(int ms, QString *error)
{
    log << QStringLiteral("Position %1").arg(ms);
    if (!requireOpen(error))
        return false;
    if (ms < 0 || ms > length)
        return true;
    position = ms;
    mode = Stopped;
    return true;
}

std::optional<int> FakePlayer::Length(QString *error)
{
    if (!requireOpen(error))
        return std::nullopt;
    return length;
}

ConfigHome::ConfigHome() : m_previous(qgetenv("XDG_CONFIG_HOME")), m_previousData(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path() + QStringLiteral("/data")));
}

ConfigHome::~ConfigHome()
{
    qputenv("XDG_CONFIG_HOME", m_previous);
    qputenv("XDG_DATA_HOME", m_previousData);
}

void Harness::create(bool realPlayers, const QString &pagesDir)
{
    Services s;
    s.ui = &ui;
    if (realPlayers) {
        s.player1 = createAudioPlayer();
        s.player2 = createAudioPlayer();
    } else {
        s.player1 = std::make_unique<FakePlayer>();
        s.player2 = std::make_unique<FakePlayer>();
    }
    player1 = s.player1.get();
    player2 = s.player2.get();
    s.pagesDir = pagesDir;
    window = std::make_unique<TFrmsplit>(std::move(s));
}

void Harness::select(const QString &path)
{
    ui.openAnswers << path;
    window->guarded([this] { window->CmdselectClick(); });
    // A real player reads the file beside the window: until it has, and its
    // news has reached the window.
    QElapsedTimer clock;
    clock.start();
    while (player1->isOpening() && clock.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(data);
}

QByteArray patternBytes(int size)
{
    QByteArray out(size, Qt::Uninitialized);
    uint32_t x = 2463534242u;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x & 0xFF);
    }
    return out;
}

QString testData(const char *name)
{
    // A copy of the data where the checkout cannot be read (see run-unprivileged).
    return qEnvironmentVariable("CLEAVO_TEST_DATA", QStringLiteral(CLEAVO_TEST_DATA)) + QLatin1Char('/')
        + QLatin1String(name);
}

QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part)
{
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.orientation = Qt::Horizontal;
    opt.state |= QStyle::State_Horizontal;
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = 0; // the program's bars keep the smallest thumb
    opt.subControls = QStyle::SC_All;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
}

void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &m_previousAction);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previousLimit = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_previousLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
    sigaction(SIGXFSZ, &m_previousAction, nullptr);
}
