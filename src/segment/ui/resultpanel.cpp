#include "segment/ui/resultpanel.h"

#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/controls.h"
#include "core/ui/interaction.h"
#include "segment/segmentfile.h"
#include "segment/ui/panelhost.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

ResultPanel::ResultPanel(QWidget *parent, PanelHost &host, MediaPlayer &preview)
    : QObject(parent), m_host(host), m_preview(preview)
{
    using controls::button;
    using controls::label;
    using controls::place;
    using glyphs::Glyph;
    const QFont plain = controls::font(8), bold = controls::font(8, true), boldUnder = controls::font(8, true, true);
    Label5 = label(parent, "Label5", QStringLiteral("New File Byte Size:"), 8, 207, 108, 14, boldUnder);
    LblNewByte = label(parent, "LblNewByte", QString(), 118, 207, 158, 15, bold);
    Label6 = label(parent, "Label6", QStringLiteral("New File Name:"), 8, 223, 108, 14, boldUnder);
    LblName = label(parent, "LblName", QString(), 118, 223, 313, 17, bold);
    Label7 = label(parent, "Label7", QStringLiteral("New File Location:"), 8, 240, 108, 15, boldUnder);
    LblPath = label(parent, "LblPath", QString(), 118, 240, 353, 15, bold);
    LblNewTime = label(parent, "LblNewTime", QString(), 282, 207, 190, 15, bold);
    for (QLabel *l : {Label5, LblNewByte, Label6, LblName, Label7, LblPath, LblNewTime})
        l->hide();
    GroupBox2 = place(new QGroupBox(QStringLiteral("When splitting files:"), parent), "GroupBox2", 8, 260, 197, 83);
    GroupBox2->setFont(controls::font(9, true));
    RadDefault
        = place(new QRadioButton(QStringLiteral("Use default MP3 location."), GroupBox2), "RadDefault", 8, 24, 179, 17);
    RadAsk = place(new QRadioButton(QStringLiteral("Ask me where to store the MP3."), GroupBox2), "RadAsk", 8, 46, 179,
                   17);
    RadDefault->setFont(plain);
    RadAsk->setFont(plain);
    CmdPmp3 = button(parent, "CmdPmp3", QStringLiteral("Play New MP3"), 216, 266, 156, 23, Glyph::PlayNew);
    CmdPmp3->setToolTip(QStringLiteral("Listen to your new MP3 that was split."));
    CmdOmp3 = button(parent, "CmdOmp3", QStringLiteral("Play With Default Player"), 216, 293, 156, 23, Glyph::OpenWith);
    CmdOmp3->setToolTip(QStringLiteral("Use the default player to listen to your new MP3 that was split."));
    CmdSPlay = button(parent, "CmdSPlay", QStringLiteral("Stop Playing New MP3"), 216, 320, 156, 23, Glyph::StopNew);
    CmdSPlay->setToolTip(QStringLiteral("Stop playing"));
    for (QPushButton *b : {CmdPmp3, CmdOmp3, CmdSPlay})
        b->setEnabled(false);
    Image3 = controls::picture(parent, "Image3", 380, 260, 65, 42);
    Image3->setAccessibleName(QStringLiteral("New MP3 ready"));

    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(1000);

    const auto on = [this](QPushButton *b, void (ResultPanel::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { m_host.guarded([this, handler] { (this->*handler)(); }); });
    };
    on(CmdPmp3, &ResultPanel::CmdPmp3Click);
    on(CmdOmp3, &ResultPanel::CmdOmp3Click);
    on(CmdSPlay, &ResultPanel::CmdSPlayClick);
    connect(Timer3, &QTimer::timeout, this, [this] { m_host.guarded([this] { Timer3Timer(); }); });
}

bool ResultPanel::isShown() const
{
    return CmdPmp3->isEnabled();
}

bool ResultPanel::asksForLocation() const
{
    return !RadDefault->isChecked();
}

void ResultPanel::setAsksForLocation(bool ask)
{
    (ask ? RadAsk : RadDefault)->setChecked(true);
}

void ResultPanel::ToggleResultPanel()
{
    const bool show = !CmdSPlay->isEnabled();
    for (QPushButton *b : {CmdSPlay, CmdOmp3, CmdPmp3})
        b->setEnabled(show);
    for (QLabel *l : {Label5, Label6, LblNewByte, LblName, LblPath, Label7})
        l->setVisible(show);
    LblNewTime->setVisible(show && !LblNewTime->text().isEmpty());
}

void ResultPanel::showWritten(const QString &destination, const QString &playingTime)
{
    const segment::PathParts parts = segment::splitPath(destination);
    LblName->setText(parts.name);
    LblPath->setText(parts.dir);
    LblNewByte->setText(QString::number(segment::GetFileSize64(destination)));
    LblNewTime->setText(playingTime);
    LblNewTime->setVisible(isShown() && !LblNewTime->text().isEmpty());
}

void ResultPanel::showReady(const QPixmap &arrow)
{
    if (!isShown())
        ToggleResultPanel();
    Image3->setPixmap(arrow);
    Image3->show();
}

void ResultPanel::clearForNewSource()
{
    if (!m_host.values().PreviewClosed)
        ClosePreviewPlayer();
    Image3->hide();
    if (isShown())
        ToggleResultPanel();
}

void ResultPanel::stop()
{
    Timer3->stop();
}

void ResultPanel::ClosePreviewPlayer()
{
    const bool closed = (m_preview.Mode() != MediaPlayer::Playing || m_preview.Stop()) && m_preview.Close();
    if (closed) {
        m_host.values().PreviewClosed = true;
    } else {
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to close the media player. "
                                                 "Please close and reopen the software to continue."));
    }
    Timer3->stop();
}

void ResultPanel::PreviewGuard()
{
    if (!m_host.values().PreviewClosed)
        ClosePreviewPlayer();
}

QString ResultPanel::writtenPath() const
{
    return LblPath->text() + LblName->text();
}

void ResultPanel::CmdPmp3Click()
{
    if (!m_host.StopSourcePlayer())
        return;
    PreviewGuard();
    m_host.values().PreviewClosed = false;
    if (!Timer3->isActive())
        Timer3->start();
    m_preview.setFileName(writtenPath());
    if (!m_preview.Open() || !m_preview.Play()) {
        m_host.ui().messageDialog(DialogType::Error,
                                  QStringLiteral("An error occurred trying to play ") + m_preview.FileName()
                                      + QStringLiteral(". The ")
                                      + QStringLiteral("file appears to be corrupt or is a format which cannot ")
                                      + QStringLiteral("be played with this viewer. Please verify that your file ")
                                      + QStringLiteral("has the correct file extension and matches that audio type."));
    }
}

void ResultPanel::CmdOmp3Click()
{
    if (!m_host.StopSourcePlayer())
        return;
    PreviewGuard();
    const QString path = writtenPath();
    // A file deleted since it was written is reported like any file that does not open.
    const auto failed = [this] {
        const QString browser = platform::fileManagerName();
        m_host.ui().messageDialog(DialogType::Information,
                                  QStringLiteral("The file could not be opened using this button. Open your %1 and "
                                                 "double-click the file to play it.")
                                      .arg(browser));
    };
    if (!QFileInfo(path).isFile()) {
        failed();
        return;
    }
    m_host.ui().openDocument(QUrl::fromLocalFile(path), [failed](bool ok) {
        if (!ok)
            failed();
    });
}

void ResultPanel::CmdSPlayClick()
{
    ClosePreviewPlayer(); // which stops the blinking too
}

void ResultPanel::Timer3Timer()
{
    Image3->setVisible(Image3->isHidden());
}
