// Choosing the source MP3.

#include "core/errors.h"
#include "core/intconv.h"
#include "core/mediaplayer.h"
#include "core/platform.h"
#include "core/ui/busycursor.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"
#include "segment/segmentfile.h"
#include "segment/ui/longwrite.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

void TFrmsplit::CmdselectClick()
{
    ClearForNewSource();
    const QString lastDir = settings::ReadLastDir(v.StatsIniPath);
    const std::optional<QString> chosen = ui().openFileName(lastDir);
    if (!chosen)
        return;
    SelectSource(*chosen);
}

void TFrmsplit::OpenSourceFile(const QString &path)
{
    guarded([&] {
        ClearForNewSource();
        SelectSource(path.isEmpty() ? path : QFileInfo(path).absoluteFilePath());
    });
}

void TFrmsplit::ClearForNewSource()
{
    if (!v.PreviewClosed)
        ClosePreviewPlayer();
    Image3->hide();
    if (CmdPmp3->isEnabled())
        ToggleResultPanel();
}

void TFrmsplit::SelectSource(const QString &chosen)
{
    v.SourceFileName = chosen;
    if (v.SourceFileName.isEmpty())
        return;

    // Until the end, the window holds parts of two files.
    m_selectionIncomplete = true;
    LblFile->setText(v.SourceFileName);
    Lblliteral->show();
    v.SourceIdentity = platform::identityOf(v.SourceFileName);
    v.SourceFileSize = segment::GetFileSize64(v.SourceFileName);
    if (v.SourceFileSize == -1)
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("A severe error has occurred, the file could not be read "));
    Lblsize->setText(QString::number(v.SourceFileSize));
    Lblsizecaption->show();

    QString error;
    const int32_t startMax = must(strictInt(Lblsize->text(), &error), error);
    if (startMax < 0)
        endWith(QStringLiteral("Scrollbar property out of range"));
    ScrollStart->setMaximum(startMax);
    ScrollEnd->setMaximum(must(strictInt(Lblsize->text(), &error), error));

    LblByteStart->setText(QStringLiteral("0"));
    LblByteEnd->setText(Lblsize->text());
    LblRealTime->setText(QStringLiteral("Based on settings above, the new split size will be:"));
    LblRealByte->setText(Lblsize->text());
    Image1->hide();
    Image2->show();
    Image4->show();

    // Remembering the folder is a convenience: told once, the selection goes
    // on (a full home disk must not keep the user from cutting).
    if (!settings::WriteLastDir(v.StatsIniPath, segment::splitPath(v.SourceFileName).dir, &error))
        ui().errorReport(errorReportText(error));

    const auto opened = [this] {
        if (MediaPlayer1().Mode() == MediaPlayer::Playing && !MediaPlayer1().Stop())
            return false;
        MediaPlayer1().setFileName(v.SourceFileName);
        // Read beside the window: it answers while a long file is read.
        return MediaPlayer1().BeginOpen();
    };
    const bool begun = opened();
    if (begun && MediaPlayer1().isOpening()) {
        // Cutting by bytes needs only the size, and never waits; listening
        // waits where it needs the whole file. The length shows where the
        // file declares it, else once it is read.
        m_selectedBefore = v.FileSelected;
        showMark(LblCurrent, 0);
        showTrackLength();
        v.FileSelected = true;
        LblPosS->clear();
        LblPosE->clear();
        m_selectionIncomplete = false;
        return;
    }
    if (!begun) {
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("An error occurred trying to open the audio file. The file appears to be "
                                          "corrupt. Please verify that your file has the correct file extension "
                                          "and matches that audio format."));
    }

    showMark(LblCurrent, MediaPlayer1().Position());
    const int length = must(MediaPlayer1().Length(&error), error);
    // A track of an hour or more shows hours in every time.
    m_trackMs = length;
    showMark(LblCurrent, MediaPlayer1().Position());
    showMark(LblEnd, length);
    ScrollBar1->setMaximum(length);
    v.FileSelected = true;
    LblPosS->clear();
    LblPosE->clear();
    m_selectionIncomplete = false;
}

void TFrmsplit::SourceRead()
{
    const std::shared_ptr<const MediaPlayer::Reading> reading = MediaPlayer1().reading();
    if (reading && !reading->wait(0)) {
        showTrackLength(); // what the file declares
        mediaControlsChanged();
        return;
    }
    QString error;
    if (MediaPlayer1().isOpening() && !MediaPlayer1().FinishOpen(&error)) {
        v.FileSelected = m_selectedBefore;
        LblEnd->clear();
        ScrollBar1->setMaximum(0);
        if (error.startsWith(QLatin1String("The MP3"))) {
            // Read in part: nothing may be cut from half of it.
            ui().messageDialog(DialogType::Error,
                               error + QStringLiteral(". Select it again once it can be read whole."));
        } else {
            ui().messageDialog(DialogType::Error,
                               QStringLiteral("An error occurred trying to open the audio file. The file appears to "
                                              "be corrupt. Please verify that your file has the correct file "
                                              "extension and matches that audio format."));
            ui().errorReport(errorReportText(QString::fromLatin1(kNoDeviceOpen)));
        }
        mediaControlsChanged();
        return;
    }
    showTrackLength(); // what the reading found, where the header said otherwise
    mediaControlsChanged();
}

void TFrmsplit::showTrackLength()
{
    const std::optional<int> length = MediaPlayer1().Length();
    m_trackMs = length.value_or(0);
    if (length)
        showMark(LblEnd, *length);
    else
        LblEnd->clear();
    ScrollBar1->setMaximum(length.value_or(0));
}

bool TFrmsplit::AwaitSource()
{
    const std::shared_ptr<const MediaPlayer::Reading> reading = MediaPlayer1().reading();
    if (!reading)
        return true;
    if (!reading->wait(0)) {
        segment::CopyProgress progress;
        segment::ProgressHooks hooks;
        hooks.what = QStringLiteral("Reading the MP3");
        hooks.quit = [this] {
            m_quitAfterWrite = true;
        };
        hooks.busy = [this](bool busy) {
            setControlsEnabled(!busy);
        };
        bool ended = false;
        m_writing = &progress; // closing the window cancels the wait, as it cancels a write
        segment::runWithProgress(
            this, reading->progress().second, progress,
            [&] {
                while (!(ended = reading->wait(50)) && !progress.cancel.load())
                    progress.written.store(reading->progress().first);
            },
            hooks);
        m_writing = nullptr;
        if (m_quitAfterWrite) {
            QTimer::singleShot(0, this, &QWidget::close);
            return false;
        }
        if (!ended)
            return false;
    }
    SourceRead();
    return MediaPlayer1().isOpen();
}
