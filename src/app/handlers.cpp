// The window's handlers, each a call into the panel it belongs to, and what
// the panels ask of the window.

#include "app/frmsplit.h"

#include "byterange/ui/bytepanel.h"
#include "core/intconv.h"
#include "core/platform.h"
#include "core/ui/interaction.h"
#include "extras/pages.h"
#include "extras/ui/extras.h"
#include "extras/ui/frmabout.h"
#include "listening/ui/listeningpanel.h"
#include "segment/segmentfile.h"
#include "segment/ui/longwrite.h"
#include "segment/ui/resultpanel.h"
#include "segment/ui/segmentwriter.h"
#include "segment/ui/sourcepanel.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QTimer>

// Listening panel

void TFrmsplit::CmdPlayClick()
{
    m_listening->CmdPlayClick();
}
void TFrmsplit::CmdPauseClick()
{
    m_listening->CmdPauseClick();
}
void TFrmsplit::CmdstopClick()
{
    m_listening->CmdstopClick();
}
void TFrmsplit::CmdRewindClick()
{
    m_listening->CmdRewindClick();
}
void TFrmsplit::CmdForwardClick()
{
    m_listening->CmdForwardClick();
}
void TFrmsplit::Timer2Timer()
{
    m_listening->Timer2Timer();
}
void TFrmsplit::ScrollBar1Scroll(int scrollCode, int scrollPos)
{
    m_listening->ScrollBar1Scroll(scrollCode, scrollPos);
}
void TFrmsplit::CmdStartClick()
{
    m_listening->CmdStartClick();
}
void TFrmsplit::CmdEndClick()
{
    m_listening->CmdEndClick();
}
void TFrmsplit::ChkExactClick()
{
    m_listening->ChkExactClick();
}

// Byte panel

void TFrmsplit::ScrollStartChange()
{
    m_bytes->ScrollStartChange();
}
void TFrmsplit::ScrollEndChange()
{
    m_bytes->ScrollEndChange();
}
void TFrmsplit::BitBtn1Click()
{
    m_bytes->BitBtn1Click();
}

// The write and the result panel

void TFrmsplit::CreateSplitFile()
{
    CreateSplitFile(segment::WriteRequest{
        m_values.SourceFileName, QString(), m_values.SegmentStart, m_values.SegmentLength, {}, QString()});
}

bool TFrmsplit::CreateSplitFile(segment::WriteRequest piece)
{
    return m_writer->CreateSplitFile(std::move(piece));
}

void TFrmsplit::pieceWritten()
{
    m_listening->pieceWritten();
    m_bytes->pieceWritten();
}

void TFrmsplit::ToggleResultPanel()
{
    m_result->ToggleResultPanel();
}
void TFrmsplit::CmdPmp3Click()
{
    m_result->CmdPmp3Click();
}
void TFrmsplit::CmdOmp3Click()
{
    m_result->CmdOmp3Click();
}
void TFrmsplit::CmdSPlayClick()
{
    m_result->CmdSPlayClick();
}
void TFrmsplit::Timer3Timer()
{
    m_result->Timer3Timer();
}
void TFrmsplit::PreviewGuard()
{
    m_result->PreviewGuard();
}
void TFrmsplit::ClosePreview()
{
    m_result->CmdSPlayClick();
}

void TFrmsplit::HideResult()
{
    if (m_result->isShown())
        m_result->ToggleResultPanel();
}

bool TFrmsplit::StopSourcePlayer()
{
    return m_listening->StopSourcePlayer();
}

bool TFrmsplit::runBeside(const QString &what, int64_t total, segment::CopyProgress &progress,
                          const std::function<void()> &work)
{
    segment::ProgressHooks hooks;
    hooks.what = what;
    hooks.quit = [this] {
        m_quitAfterWrite = true;
    };
    hooks.busy = [this](bool busy) {
        setControlsEnabled(!busy);
    };
    m_writing = &progress; // closing the window cancels the work
    segment::runWithProgress(this, total, progress, work, hooks);
    m_writing = nullptr;
    if (!m_quitAfterWrite)
        return true;
    // Asked to end the program meanwhile: it ends now, whatever came of the work.
    QTimer::singleShot(0, this, &QWidget::close);
    return false;
}

// The source

void TFrmsplit::CmdselectClick()
{
    ClearForNewSource();
    if (const std::optional<QString> chosen = m_source->choose())
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
    m_result->clearForNewSource();
}

void TFrmsplit::SelectSource(const QString &chosen)
{
    m_values.SourceFileName = chosen;
    if (m_values.SourceFileName.isEmpty())
        return;

    // Until the end, the window holds parts of two files.
    m_selectionIncomplete = true;
    m_source->showName(m_values.SourceFileName);
    m_values.SourceIdentity = platform::identityOf(m_values.SourceFileName);
    m_values.SourceFileSize = segment::GetFileSize64(m_values.SourceFileName);
    if (m_values.SourceFileSize == -1)
        ui().messageDialog(DialogType::Error,
                           QStringLiteral("A severe error has occurred, the file could not be read "));
    m_source->showSize(m_values.SourceFileSize);

    QString error;
    const std::optional<int32_t> size = strictInt(m_source->sizeText(), &error);
    if (!size)
        return reportFailure(ui(), error);
    if (*size < 0)
        return reportFailure(ui(), QStringLiteral("Scrollbar property out of range"));
    m_bytes->sourceChosen(*size, m_source->sizeText());
    m_source->pointHere(false);
    m_listening->sourceChosen();

    // Remembering the folder is a convenience: told once, the selection goes
    // on (a full home disk must not keep the user from cutting).
    if (!settings::WriteLastDir(m_values.StatsIniPath, segment::splitPath(m_values.SourceFileName).dir, &error))
        reportFailure(ui(), error);
    if (m_listening->openSource())
        m_selectionIncomplete = false;
}

// Help, catalogue, support, About

QString TFrmsplit::pagePath(const QString &fileName) const
{
    return pages::locate(fileName, m_services.pagesDir);
}

void TFrmsplit::Button2Click()
{
    extras::openHelp(ui(), pagePath(QStringLiteral("help.html")));
}
void TFrmsplit::Button3Click()
{
    extras::openCatalogue(ui(), pagePath(QStringLiteral("download.html")));
}
void TFrmsplit::CmdSupportClick()
{
    extras::askForSupport(ui());
}

void TFrmsplit::CmdaboutClick()
{
    TFrmabout2 about(this);
    ui().runModal(about);
}
