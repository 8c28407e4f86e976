#pragma once
// The listening panel: the source player's transport (play, pause, stop,
// rewind and forward by the steps beside them, the position bar), the start
// and end marks, which write the piece between them, and the switch that
// cuts at the exact marks. It opens the source in its player, and waits for
// the player's reading where listening needs the whole file.

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

class MediaPlayer;
class PanelHost;
class QCheckBox;
class QFrame;
class QLabel;
class QPixmap;
class QPushButton;
class QScrollBar;
class QTimer;
class QWidget;
class ScrollNotifier;
class SpinEdit;
class WaveformStrip;

class ListeningPanel : public QObject {
    Q_OBJECT
public:
    // Its controls on parent, and the waveform strip on stripParent (where the
    // window places it, across its width).
    ListeningPanel(QWidget *parent, QWidget *stripParent, PanelHost &host, MediaPlayer &source);

    void CmdPlayClick();
    void CmdPauseClick();
    void CmdstopClick();
    void CmdRewindClick();
    void CmdForwardClick();
    void Timer2Timer();
    void ScrollBar1Scroll(int scrollCode, int scrollPos);
    void CmdStartClick();
    void CmdEndClick();
    void ChkExactClick();

    // The buttons that keys and the desktop's media controls press.
    enum class Button {
        Play,
        Pause,
        Stop,
        Start,
        End
    };
    [[nodiscard]] bool clickable(Button button) const;
    void press(Button button); // a click, where the button takes one
    void playOrPause();        // Pause while playing or paused, else Play

    void setVisible(bool visible);
    void setArrow(const QPixmap &arrow);
    void setExact(bool exact);
    void clear();
    void stop();         // the position's timer
    void sourceChosen(); // its arrow on
    // Opens the chosen source (the selection's file name) in the player:
    // false where the handler ends at a failure it reported.
    bool openSource();
    // The player's news while it reads the source beside the window.
    void SourceRead();
    // Where listening needs the whole file and it is still being read: waits
    // for it as for a long write. False where the wait was cancelled or the
    // file could not be read; the request is then dropped.
    bool AwaitSource();
    // Stops the source player where it plays something; false where that failed (reported).
    bool StopSourcePlayer();
    void pieceWritten();
    // The waveform strip shows while cutting at the exact marks.
    [[nodiscard]] bool showsStrip() const;
    void placeStrip(const QRect &place);
    void stripAfter(QWidget *before); // in the order Tab takes

signals:
    // The strip was shown (true) or put away.
    void stripShown(bool shown);

private:
    void buildControls(QWidget *parent);
    void connectHandlers();
    void showTrackLength(); // as the player knows it now; nothing where it does not
    // A time as it is shown: plain milliseconds, or h:mm:ss.cc while cutting at the exact marks.
    [[nodiscard]] QString timeText(int ms) const;
    void showMark(QLabel *label, int ms);
    [[nodiscard]] std::optional<int32_t> markOf(const QLabel *label, QString *error) const;
    bool moveBy(int step, bool forward);
    // The piece between the marks: cut at the exact marks, or at whole percentages.
    bool cutExact(int32_t start, int32_t end);
    bool cutAtPercentages(int32_t start, int32_t end);
    void restoreEnd(const QString &shown, const QVariant &kept);
    // A click or a key in the strip: the position bar dragged to ms and let go.
    void seekTo(int ms);
    void showStrip(bool shown);
    void stripFollows(); // the source, the marks
    [[nodiscard]] std::optional<int> markMs(const QLabel *label) const;
    [[nodiscard]] QPushButton *buttonOf(Button button) const;

    PanelHost &m_host;
    MediaPlayer &m_player;
    QFrame *PanListen;
    SpinEdit *SpinEdit1, *SpinEdit2;
    QPushButton *CmdRewind, *CmdForward, *CmdStop, *CmdPause, *CmdPlay, *CmdStart, *CmdEnd;
    QLabel *Image2, *LblCurrent, *LblEnd, *Lblstarting, *LblPosS, *Lblending, *LblPosE;
    QScrollBar *ScrollBar1;
    QCheckBox *ChkExact; // cut at the exact marks instead of whole percentages
    QTimer *Timer2;
    WaveformStrip *m_strip = nullptr;
    ScrollNotifier *m_scroll1 = nullptr;
    int m_trackMs = 0;             // the source's length, for the form of the times
    bool m_selectedBefore = false; // whether a file was selected before the one being read
};
