#pragma once
// The result panel: the new file's size, name, place and playing time, where
// the next one goes (the default place, or asked), and its preview: played
// here, handed to the default player, or stopped, with its arrow blinking
// while the preview is open.

#include <QObject>
#include <QString>

class MediaPlayer;
class PanelHost;
class QGroupBox;
class QLabel;
class QPixmap;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;

class ResultPanel : public QObject {
    Q_OBJECT
public:
    // Its controls on parent; preview plays the new file.
    ResultPanel(QWidget *parent, PanelHost &host, MediaPlayer &preview);

    void CmdPmp3Click();
    void CmdOmp3Click();
    void CmdSPlayClick();
    void Timer3Timer();
    // Shows the panel where it is put away, and puts it away where it shows.
    void ToggleResultPanel();
    void ClosePreviewPlayer();
    void PreviewGuard();

    [[nodiscard]] bool isShown() const;
    // Whether the next file's name and place are asked for.
    [[nodiscard]] bool asksForLocation() const;
    void setAsksForLocation(bool ask);
    // The new file at destination, written: its size, name, place and
    // playing time (none for a piece of whole percentages or bytes).
    void showWritten(const QString &destination, const QString &playingTime);
    // Once that is told: the panel shows, with arrow beside it.
    void showReady(const QPixmap &arrow);
    // Before another source is chosen: the preview closed, the panel put away.
    void clearForNewSource();
    void stop();

private:
    [[nodiscard]] QString writtenPath() const;

    PanelHost &m_host;
    MediaPlayer &m_preview;
    QLabel *Label5, *LblNewByte, *Label6, *LblName, *Label7, *LblPath, *Image3;
    QLabel *LblNewTime; // the new file's playing time, after an exact cut
    QGroupBox *GroupBox2;
    QRadioButton *RadDefault, *RadAsk;
    QPushButton *CmdPmp3, *CmdOmp3, *CmdSPlay;
    QTimer *Timer3;
};
