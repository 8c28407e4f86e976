// Writing the chosen piece of the source into a new file.

#include "core/errors.h"
#include "core/termination.h"
#include "core/ui/busycursor.h"
#include "core/ui/frmsplit.h"
#include "core/ui/interaction.h"
#include "segment/segmentfile.h"
#include "segment/ui/longwrite.h"
#include "settings/settings.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <optional>

void TFrmsplit::CreateSplitFile()
{
    // A piece cut at the exact marks is for this write only, whatever becomes of it.
    const std::unique_ptr<std::vector<segment::Chunk>> exact = std::move(m_exactChunks);
    v.OutputFileName.clear();
    if (RadDefault->isChecked()) {
        v.OutputFileName = segment::defaultOutputName(v.SourceFileName);
    } else {
        ui().messageBox(QStringLiteral(
            "Trial Hint: You have chosen the option to enter your new MP3 split file name and location. You will "
            "now enter that information in the next window. (You can also choose to have it automatically default "
            "to a name and location by using the split options at the bottom of the main window)."));
        if (const auto name = ui().saveFileName(v.SaveDialogFileName, segment::splitPath(v.SourceFileName).dir)) {
            v.SaveDialogFileName = *name;
            if (!name->isEmpty())
                v.OutputFileName = *name;
        }
    }
    if (v.OutputFileName.isEmpty())
        v.OutputFileName = segment::defaultOutputName(v.SourceFileName);
    v.OutputFileName = segment::withMp3Extension(v.OutputFileName);

    m_countFailure.clear();
    CopySegment(v.SourceFileName, v.OutputFileName, exact ? m_exactBytes : static_cast<int64_t>(v.SegmentLength),
                exact.get());
    // Asked to end the program meanwhile: the piece is written and counted,
    // and the window closes without a box over it.
    if (v.CopyFailed || m_quitAfterWrite)
        return;

    ui().messageBox(QStringLiteral("New MP3 successfully created! (Location: ") + v.OutputFileName
                    + QStringLiteral("). Use the play buttons at the bottom to listen to ")
                    + QStringLiteral("your new MP3 file. You can always adjust and recreate again if you wish."));
    if (!CmdPmp3->isEnabled())
        ToggleResultPanel();
    Image3->setPixmap(Image1->pixmap());
    Image3->show();
    Image2->hide();
    Image4->hide();
    Lblending->show();
    // The piece is written: a count that could not be kept is told after it.
    if (!m_countFailure.isEmpty())
        ui().errorReport(m_countFailure);
}

void TFrmsplit::CopySegment(const QString &source, const QString &destination, int64_t length,
                            const std::vector<segment::Chunk> *chunks)
{
    v.CopyFailed = false;
    // A logout that arrives once the new file is in place ends the program
    // only after it has been counted; one that arrived during the write ends
    // it before any box is shown.
    std::optional<termination::WriteInProgress> writing;
    writing.emplace();
    segment::CopyProgress progress;
    segment::CopyFailure failure;
    bool copied = false;
    {
        BusyCursor busy;
        m_writing = &progress;
        const int32_t start = v.SegmentStart;
        segment::ProgressHooks hooks;
        hooks.quit = [this] {
            m_quitAfterWrite = true;
        };
        hooks.busy = [this](bool busy) {
            setControlsEnabled(!busy);
        };
        segment::runWithProgress(
            this, length, progress,
            [&] {
                const platform::FileIdentity *chosen = v.SourceIdentity ? &*v.SourceIdentity : nullptr;
                copied = chunks
                    ? segment::copyChunks(source, destination, *chunks, &progress, &failure, chosen)
                    : segment::copyByteRange(source, destination, start, length, &progress, &failure, chosen);
            },
            hooks);
        m_writing = nullptr;
    }
    if (m_quitAfterWrite) {
        // Asked to end the program meanwhile: it ends now, whatever came of the write.
        QTimer::singleShot(0, this, &QWidget::close);
        if (!copied) {
            v.CopyFailed = true;
            return;
        }
    }
    if (!copied) {
        writing.reset();
        // A destination that cannot be created at all is left to the default
        // error report; the other failures have their message here.
        if (failure.kind == segment::CopyFailure::CannotCreate)
            endWith(failure.text);
        ui().messageBox(failure.text);
        v.CopyFailed = true;
        return;
    }
    const segment::PathParts parts = segment::splitPath(destination);
    LblName->setText(parts.name);
    LblPath->setText(parts.dir);
    LblNewByte->setText(QString::number(segment::GetFileSize64(destination)));
    // A piece cut at the exact marks tells its playing time too.
    LblNewTime->setText(chunks ? m_exactTime : QString());
    LblNewTime->setVisible(CmdPmp3->isEnabled() && !LblNewTime->text().isEmpty());
    QString error;
    if (!settings::AddToSplitCount(v.StatsIniPath, v.SplitCount, 1, &error))
        m_countFailure = errorReportText(error);
    writing.reset();
}
