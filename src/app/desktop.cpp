// The main window on the desktop: keys for the whole road, and files dropped on it.

#include "app/frmsplit.h"

#include "app/mpris.h"
#include "core/mediaplayer.h"
#include "core/ui/interaction.h"
#include "listening/tags.h"
#include "listening/ui/listeningpanel.h"
#include "segment/ui/sourcepanel.h"

#include <QApplication>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

namespace {

bool clickable(const QPushButton *button)
{
    return button->isVisible() && button->isEnabled();
}

// A key does what a click on its button does, when the button can be clicked.
void press(QPushButton *button)
{
    if (clickable(button))
        button->click();
}

} // namespace

void TFrmsplit::connectShortcuts()
{
    const auto key = [this](const QKeySequence &sequence, std::function<void()> action) {
        auto *shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, std::move(action));
    };
    using Button = ListeningPanel::Button;
    const auto button = [&](const QKeySequence &sequence, Button target) {
        key(sequence, [this, target] { m_listening->press(target); });
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { m_source->press(); });
    key(QKeySequence(Qt::Key_F1), [this] { press(Button2); });
    // During a write the controls take no clicks, but Ctrl+Q still cancels
    // it and ends the program, as closing the window does.
    key(QKeySequence(Qt::CTRL | Qt::Key_Q), [this] {
        if (m_writing)
            close();
        else
            press(CmdCancel);
    });
    button(QKeySequence(Qt::Key_MediaPause), Button::Pause);
    button(QKeySequence(Qt::Key_MediaStop), Button::Stop);
    // Most keyboards send Play (XF86AudioPlay) from their one play/pause key:
    // it pauses while playing, as in every player.
    key(QKeySequence(Qt::Key_MediaPlay), [this] { m_listening->playOrPause(); });
    key(QKeySequence(Qt::Key_MediaTogglePlayPause), [this] { m_listening->playOrPause(); });
    // With Ctrl and Shift: never typed into the step fields.
    button(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), Button::Start);
    button(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), Button::End);
}

namespace {

// A drop ends as a copy (or a link), never as a move: a source that honours a
// move would remove the user's original file.
bool acceptWithoutMove(QDropEvent *event)
{
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    event->ignore();
    return false;
}

} // namespace

void TFrmsplit::connectMediaControls()
{
    Mpris::Player player;
    player.status = [this] {
        switch (MediaPlayer1().Mode()) {
        case MediaPlayer::Playing: return QStringLiteral("Playing");
        case MediaPlayer::Paused: return QStringLiteral("Paused");
        default: return QStringLiteral("Stopped");
        }
    };
    // The tags are read once for each file selected.
    auto known = std::make_shared<std::pair<QString, Mpris::Track>>();
    player.track = [this, known] {
        if (known->first != m_values.SourceFileName || known->second.title.isEmpty()) {
            const tags::Tags found = tags::read(m_values.SourceFileName);
            known->first = m_values.SourceFileName;
            known->second = {found.title.isEmpty() ? QFileInfo(m_values.SourceFileName).fileName() : found.title,
                             found.artist, found.album};
        }
        return known->second;
    };
    player.lengthUs = [this] {
        return MediaPlayer1().isOpen() || MediaPlayer1().isOpening()
            ? qint64(MediaPlayer1().Length().value_or(0)) * 1000
            : qint64(0);
    };
    player.positionUs = [this] {
        return MediaPlayer1().isOpen() ? qint64(MediaPlayer1().Position()) * 1000 : qint64(0);
    };
    player.canPlay = [this] {
        return m_listening->clickable(ListeningPanel::Button::Play);
    };
    player.canPause = [this] {
        return m_listening->clickable(ListeningPanel::Button::Pause);
    };
    player.reachable = [this] {
        return !m_writing && QApplication::activeModalWidget() == nullptr;
    };
    player.act = [this](const QString &what) {
        const int mode = MediaPlayer1().Mode();
        using Button = ListeningPanel::Button;
        if (what == QLatin1String("Play"))
            m_listening->press(mode == MediaPlayer::Paused ? Button::Pause : Button::Play); // Pause resumes
        else if (what == QLatin1String("Pause") && mode == MediaPlayer::Playing)
            m_listening->press(Button::Pause);
        else if (what == QLatin1String("PlayPause"))
            m_listening->playOrPause();
        else if (what == QLatin1String("Stop"))
            m_listening->press(Button::Stop);
    };
    player.raise = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    m_mpris = new Mpris(std::move(player), this);
}

void TFrmsplit::mediaControlsChanged()
{
    // Offered from the first selection on.
    if (m_values.FileSelected)
        m_mpris->offer();
    m_mpris->refresh();
}

void TFrmsplit::dragEnterEvent(QDragEnterEvent *event)
{
    // Nothing is taken while a new MP3 is being written.
    if (m_writing) {
        event->ignore();
        return;
    }
    // Anything may be dropped: what is not one local file is explained.
    if (!event->mimeData()->formats().isEmpty())
        acceptWithoutMove(event);
}

void TFrmsplit::dragMoveEvent(QDragMoveEvent *event)
{
    acceptWithoutMove(event);
}

void TFrmsplit::dropEvent(QDropEvent *event)
{
    if (!acceptWithoutMove(event))
        return;
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool oneFile = urls.size() == 1 && urls.first().isLocalFile();
    const QString path = oneFile ? urls.first().toLocalFile() : QString();
    // After the drop has finished: the application it came from waits for it.
    QTimer::singleShot(0, this, [this, oneFile, path] {
        if (oneFile)
            OpenSourceFile(path);
        else
            ui().messageBox(QStringLiteral("MP3 Cleavo cuts one local file at a time. Drop a single MP3 file from "
                                           "this computer on the window."));
    });
}
