#pragma once
// The main window: every control of the program and one handler per event.
// The handlers are spread over the source folders by the part of the program
// they belong to.

#include "core/ui/shared.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QScrollBar;
class QTimer;
class Interaction;
namespace segment {
struct CopyProgress;
}
namespace segment {
struct Chunk;
}
class MediaPlayer;
class Mpris;
class ScrollNotifier;
class SpinEdit;

// A handler that ends at a failure it leaves to the default error report:
// thrown by TFrmsplit::endWith() and caught by TFrmsplit::guarded() only.
struct HandlerFailure {
    QString text;
};

struct Services {
    Interaction *ui = nullptr;            // not owned
    std::unique_ptr<MediaPlayer> player1; // the source
    std::unique_ptr<MediaPlayer> player2; // the preview of the new file
    // Where help.html and download.html are looked for first; empty: the
    // folder of the executable.
    QString pagesDir;
};

class TFrmsplit : public QWidget {
    Q_OBJECT
public:
    explicit TFrmsplit(Services services, QWidget *parent = nullptr);
    ~TFrmsplit() override;

    SharedValues v;

    // Controls, named as the program names them.
    QLabel *Lblinfo, *Image1, *Lblliteral, *LblFile, *Lblsizecaption, *Lblsize;
    QFrame *Panel3, *Panel1, *PanListen, *PanByte;
    QRadioButton *RadListen, *RadByte, *RadDefault, *RadAsk;
    QPushButton *Cmdselect;
    // Listening panel
    SpinEdit *SpinEdit1, *SpinEdit2;
    QPushButton *CmdRewind, *CmdForward, *CmdStop, *CmdPause, *CmdPlay, *CmdStart, *CmdEnd;
    QLabel *Image2, *LblCurrent, *LblEnd, *Lblstarting, *LblPosS, *Lblending, *LblPosE;
    QScrollBar *ScrollBar1;
    QCheckBox *ChkExact; // cut at the exact marks instead of whole percentages
    // Byte panel
    QLabel *Label8, *Label3, *LblByteStart, *Image4, *Label2, *LblByteEnd, *LblRealTime, *LblRealByte;
    QScrollBar *ScrollStart, *ScrollEnd;
    QPushButton *BitBtn1;
    // Result panel and output location
    QLabel *Label5, *LblNewByte, *Label6, *LblName, *Label7, *LblPath, *Image3;
    QLabel *LblNewTime; // the new file's playing time, after an exact cut
    QGroupBox *GroupBox2;
    QPushButton *CmdPmp3, *CmdOmp3, *CmdSPlay;
    // Bottom rows
    QPushButton *Button3, *Button2, *CmdSupport, *CmdAbout, *CmdCancel;

    QTimer *Timer2, *Timer3;
    MediaPlayer &MediaPlayer1() { return *m_services.player1; }
    MediaPlayer &MediaPlayer2() { return *m_services.player2; }
    Interaction &ui() { return *m_services.ui; }

    // Switches a timer on; one that already runs keeps its rhythm.
    static void startIfIdle(QTimer *timer);

    // Runs a handler; a failure it leaves to the default error report (and
    // anything thrown by the toolkit or the runtime) ends it and is shown there.
    void guarded(const std::function<void()> &handler);
    // Ends the running handler with failure, which the default error report shows.
    [[noreturn]] static void endWith(const QString &failure);
    // Goes on when the logic succeeded; else ends the handler as endWith(error).
    static void must(bool succeeded, const QString &error)
    {
        if (!succeeded)
            endWith(error);
    }
    template <class T>
    static T must(std::optional<T> result, const QString &error)
    {
        if (!result)
            endWith(error);
        return *result;
    }
    Mpris *mediaControls() { return m_mpris; }

    // Application shell
    void FormCreate();
    void RadListenClick();
    void RadByteClick();
    bool RequireSelection();
    // True, after saying so, while the MP3 named at the top was not selected
    // whole (its size could not be read or is too large, say): its name, the
    // byte range and the player may then belong to two files, and no cut may mix them.
    bool RefuseIncompleteSelection();
    void CmdcancelClick();
    void FormCloseQuery();
    void CmdselectClick();
    // A file given from outside (the command line, a drop): selected as if it
    // had been chosen in the open dialog. Failures go to the error report.
    void OpenSourceFile(const QString &path);

    // Segment writer and result panel
    void CreateSplitFile();
    // The bytes from SegmentStart, or, where chunks are given, those stretches.
    void CopySegment(const QString &source, const QString &destination, int64_t length,
                     const std::vector<segment::Chunk> *chunks = nullptr);
    void ToggleResultPanel();
    void ClosePreviewPlayer();
    void StopSourcePlayer();
    void PreviewGuard();
    void CmdPmp3Click();
    void CmdOmp3Click();
    void CmdSPlayClick();
    void Timer3Timer();

    // Listening transport and marks
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

    // A time of the listening panel as it is shown: plain milliseconds, or
    // h:mm:ss.cc while cutting at the exact marks.
    [[nodiscard]] QString timeText(int ms) const;
    // A mark shown in label, and read back from it in either form.
    void showMark(QLabel *label, int ms);
    [[nodiscard]] std::optional<int32_t> markOf(const QLabel *label, QString *error) const;

    // Byte panel
    void ScrollStartChange();
    void ScrollEndChange();
    void BitBtn1Click();

    // Help, catalogue, support, About
    void Button2Click();
    void Button3Click();
    void CmdSupportClick();
    void CmdaboutClick();

    // Moves the window, shrinking it where it must, so that its frame stays
    // inside the screen's available area; placeFrame() does so for a few
    // seconds from now, while the desktop decorates the window.
    void keepFrameOnScreen();
    void placeFrame();

    // The page files: beside the executable first, then the installed data folder.
    [[nodiscard]] QString pagePath(const QString &fileName) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ClearForNewSource();                 // what the selection does before its dialog
    void SelectSource(const QString &chosen); // and with the dialog's answer
    // The source player's news while it reads the file beside the window:
    // the declared length, then the end of the reading.
    void SourceRead();
    void showTrackLength(); // as the source player knows it now; nothing where it does not
    // Where listening needs the whole file and it is still being read: waits
    // for it as for a long write. False where the wait was cancelled or the
    // file could not be read; the request is then dropped.
    bool AwaitSource();
    void buildControls();
    void nameForScreenReaders();
    void connectHandlers();
    void connectShortcuts();
    void connectMediaControls();
    void playOrPause(); // Pause while playing or paused, else Play, where a click could reach it
    void mediaControlsChanged();
    void byteScrollChange(QScrollBar *bar, QLabel *own);
    void setControlsEnabled(bool enabled); // all of them, the window's frame aside

    // The extent of the controls: a smaller window scrolls them.
    static constexpr QSize kLayoutSize{502, 575};

    Services m_services;
    QScrollArea *m_scroller = nullptr;
    QString m_countFailure;                     // the written piece's count could not be kept: why
    segment::CopyProgress *m_writing = nullptr; // the write under way, if any
    bool m_quitAfterWrite = false;              // the program ends once it has
    // The next write, when cut at the exact marks: the new file's stretches,
    // its size, and its playing time as the result panel shows it.
    std::unique_ptr<std::vector<segment::Chunk>> m_exactChunks;
    int64_t m_exactBytes = 0;
    QString m_exactTime;
    int m_trackMs = 0;                  // the source's length, for the form of the times
    bool m_selectionIncomplete = false; // a selection ended before it was whole
    bool m_selectedBefore = false;      // whether a file was selected before the one being read
    ScrollNotifier *m_scroll1 = nullptr;
    Mpris *m_mpris = nullptr;
    QElapsedTimer m_placing;
};
