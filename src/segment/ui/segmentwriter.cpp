#include "segment/ui/segmentwriter.h"

#include "core/errors.h"
#include "core/termination.h"
#include "core/ui/busycursor.h"
#include "core/ui/interaction.h"
#include "segment/segmentfile.h"
#include "segment/ui/resultpanel.h"
#include "settings/settings.h"

#include <QPixmap>

#include <optional>

SegmentWriter::SegmentWriter(PanelHost &host, ResultPanel &result, std::function<void()> written,
                             std::function<QPixmap()> arrow)
    : m_host(host), m_result(result), m_written(std::move(written)), m_arrow(std::move(arrow))
{
}

QString SegmentWriter::chooseDestination()
{
    SharedValues &v = m_host.values();
    QString chosen;
    if (!m_result.asksForLocation()) {
        chosen = segment::defaultOutputName(v.SourceFileName);
    } else {
        m_host.ui().messageBox(QStringLiteral(
            "Trial Hint: You have chosen the option to enter your new MP3 split file name and location. You will "
            "now enter that information in the next window. (You can also choose to have it automatically default "
            "to a name and location by using the split options at the bottom of the main window)."));
        if (const auto name
            = m_host.ui().saveFileName(v.SaveDialogFileName, segment::splitPath(v.SourceFileName).dir)) {
            v.SaveDialogFileName = *name;
            chosen = *name;
        }
    }
    if (chosen.isEmpty())
        chosen = segment::defaultOutputName(v.SourceFileName);
    return segment::withMp3Extension(chosen);
}

bool SegmentWriter::CreateSplitFile(segment::WriteRequest piece)
{
    SharedValues &v = m_host.values();
    v.OutputFileName.clear();
    v.OutputFileName = chooseDestination();
    piece.destination = v.OutputFileName;

    m_countFailure.clear();
    bool closing = false;
    if (!CopySegment(piece, &closing))
        return false;
    // Asked to end the program meanwhile: the piece is written and counted,
    // and the window closes without a box over it.
    if (v.CopyFailed || closing)
        return true;

    m_host.ui().messageBox(
        QStringLiteral("New MP3 successfully created! (Location: ") + v.OutputFileName
        + QStringLiteral("). Use the play buttons at the bottom to listen to ")
        + QStringLiteral("your new MP3 file. You can always adjust and recreate again if you wish."));
    m_result.showReady(m_arrow());
    m_written();
    // The piece is written: a count that could not be kept is told after it.
    if (!m_countFailure.isEmpty())
        m_host.ui().errorReport(m_countFailure);
    return true;
}

bool SegmentWriter::CopySegment(const segment::WriteRequest &piece, bool *closing)
{
    SharedValues &v = m_host.values();
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
        const platform::FileIdentity *chosen = v.SourceIdentity ? &*v.SourceIdentity : nullptr;
        *closing = !m_host.runBeside(QStringLiteral("Writing the new MP3"), piece.length, progress, [&] {
            copied = piece.chunks.empty()
                ? segment::copyByteRange(piece.source, piece.destination, piece.start, piece.length, &progress,
                                         &failure, chosen)
                : segment::copyChunks(piece.source, piece.destination, piece.chunks, &progress, &failure, chosen);
        });
    }
    if (*closing && !copied) {
        // Asked to end the program meanwhile: it ends now, whatever came of the write.
        v.CopyFailed = true;
        return true;
    }
    if (!copied) {
        writing.reset();
        // A destination that cannot be created at all is left to the default
        // error report; the other failures have their message here.
        if (failure.kind == segment::CopyFailure::CannotCreate) {
            reportFailure(m_host.ui(), failure.text);
            return false;
        }
        m_host.ui().messageBox(failure.text);
        v.CopyFailed = true;
        return true;
    }
    // A piece cut at the exact marks tells its playing time too.
    m_result.showWritten(piece.destination, piece.chunks.empty() ? QString() : piece.playingTime);
    QString error;
    if (!settings::AddToSplitCount(v.StatsIniPath, v.SplitCount, 1, &error))
        m_countFailure = errorReportText(error);
    writing.reset();
    return true;
}
