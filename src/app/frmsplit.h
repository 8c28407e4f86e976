#pragma once
// The main window: the panels at their places, and one handler for each
// event, named as the program names it. Each panel owns its controls and its
// state; a handler here is a short call into the panel it belongs to, and
// what one panel needs of another passes through the window (PanelHost).

#include "core/ui/shared.h"
#include "segment/ui/panelhost.h"

#include <QElapsedTimer>
#include <QWidget>
#include <functional>
#include <memory>

class BytePanel;
class Interaction;
class ListeningPanel;
class MediaPlayer;
class Mpris;
class QFrame;
class QPushButton;
class QRadioButton;
class QScrollArea;
class ResultPanel;
class SegmentWriter;
class SourcePanel;

struct Services {
    Interaction *ui = nullptr;            // not owned
    std::unique_ptr<MediaPlayer> player1; // the source
    std::unique_ptr<MediaPlayer> player2; // the preview of the new file
    // Where help.html and download.html are looked for first; empty: the
    // folder of the executable.
    QString pagesDir;
};

class TFrmsplit : public QWidget, private PanelHost {
    Q_OBJECT
public:
    explicit TFrmsplit(Services services, QWidget *parent = nullptr);
    ~TFrmsplit() override;

    MediaPlayer &MediaPlayer1() { return *m_services.player1; }
    MediaPlayer &MediaPlayer2() { return *m_services.player2; }
    // The state the panels share.
    SharedValues &values() override { return m_values; }
    // Runs a handler: not while a write runs, and anything the toolkit or the
    // runtime throws ends it in the default error report.
    void guarded(const std::function<void()> &handler) override;

    // Application shell
    void FormCreate();
    void RadListenClick();
    void RadByteClick();
    void CmdcancelClick();
    void FormCloseQuery();
    void CmdselectClick();
    // A file given from outside (the command line, a drop): selected as if it
    // had been chosen in the open dialog. Failures go to the error report.
    void OpenSourceFile(const QString &path);

    // Listening panel
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

    // Byte panel
    void ScrollStartChange();
    void ScrollEndChange();
    void BitBtn1Click();

    // The write and the result panel. CreateSplitFile() writes the bytes
    // from SegmentStart, SegmentLength of them.
    void CreateSplitFile();
    void ToggleResultPanel();
    void CmdPmp3Click();
    void CmdOmp3Click();
    void CmdSPlayClick();
    void Timer3Timer();

    // Help, catalogue, support, About
    void Button2Click();
    void Button3Click();
    void CmdSupportClick();
    void CmdaboutClick();

    // Moves the window, shrinking it where it must, so that its frame stays
    // inside the screen's available area, for a few seconds from now, while
    // the desktop decorates the window.
    void placeFrame();
    // The page files: beside the executable first, then the installed data folder.
    [[nodiscard]] QString pagePath(const QString &fileName) const;
    Mpris *mediaControls() { return m_mpris; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // What the panels ask of the window.
    Interaction &ui() override { return *m_services.ui; }
    bool RequireSelection() override;
    // True, after saying so, while the MP3 named at the top was not selected
    // whole (its size could not be read or is too large, say): its name, the
    // byte range and the player may then belong to two files, and no cut may mix them.
    bool RefuseIncompleteSelection() override;
    void PreviewGuard() override;
    void ClosePreview() override;
    void HideResult() override;
    bool StopSourcePlayer() override;
    bool CreateSplitFile(segment::WriteRequest piece) override;
    bool runBeside(const QString &what, int64_t total, segment::CopyProgress &progress,
                   const std::function<void()> &work) override;

    void ClearForNewSource();                 // what the selection does before its dialog
    void SelectSource(const QString &chosen); // and with the dialog's answer
    void pieceWritten();                      // what the panels show of a new file
    void buildControls();
    void nameForScreenReaders();
    void connectHandlers();
    void connectShortcuts();
    void connectMediaControls();
    void mediaControlsChanged();
    void setControlsEnabled(bool enabled); // all of them, the window's frame aside
    void keepFrameOnScreen();
    // The waveform strip: its height while it shows, and its place.
    [[nodiscard]] int stripHeight() const;
    [[nodiscard]] QSize layoutSize() const;
    void placeStrip();
    void stripShown(bool shown);

    // The extent of the controls: a smaller window scrolls them.
    static constexpr QSize kLayoutSize{502, 575};

    Services m_services;
    SharedValues m_values;
    QScrollArea *m_scroller = nullptr;
    SourcePanel *m_source = nullptr;
    ListeningPanel *m_listening = nullptr;
    BytePanel *m_bytes = nullptr;
    ResultPanel *m_result = nullptr;
    std::unique_ptr<SegmentWriter> m_writer;
    QFrame *Panel3 = nullptr, *Panel1 = nullptr;
    QRadioButton *RadListen = nullptr, *RadByte = nullptr;
    QPushButton *Button3 = nullptr, *Button2 = nullptr, *CmdSupport = nullptr, *CmdAbout = nullptr,
                *CmdCancel = nullptr;
    segment::CopyProgress *m_writing = nullptr; // the write or the wait under way, if any
    bool m_quitAfterWrite = false;              // the program ends once it has
    bool m_selectionIncomplete = false;         // a selection ended before it was whole
    Mpris *m_mpris = nullptr;
    QElapsedTimer m_placing;
};
