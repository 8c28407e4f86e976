#include "segment/ui/longwrite.h"

#include "core/ui/interaction.h"

#include <QEventLoop>
#include <QKeySequence>
#include <QProgressDialog>
#include <QShortcut>
#include <QTimer>

#include <atomic>
#include <thread>

namespace segment {

namespace {

QString mebibytes(int64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / (1 << 20), 'f', 1);
}

} // namespace

void runWithProgress(QWidget *owner, int64_t total, CopyProgress &progress, const std::function<void()> &work,
                     const ProgressHooks &hooks)
{
    std::atomic<bool> done{false};
    QEventLoop loop;
    // The worker's end is told to the window's thread by a queued call of the
    // loop's quit, which ends the wait that runs then (a call that comes
    // between the waits finds the work done, and none is entered).
    std::thread worker([&] {
        work();
        done.store(true);
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });

    // The first second: the window repaints and answers the window manager;
    // what the user types or clicks waits, as it would for a handler.
    QTimer patience;
    patience.setSingleShot(true);
    QObject::connect(&patience, &QTimer::timeout, &loop, &QEventLoop::quit);
    patience.start(kProgressAfterMs);
    if (!done.load())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    patience.stop();

    if (!done.load()) {
        QProgressDialog dialog(owner);
        dialog.setObjectName(QStringLiteral("WriteProgress"));
        dialog.setWindowTitle(QString::fromLatin1(kAppTitle));
        // Not modal: a window blocked by a modal one cannot be closed, and
        // closing the main window must cancel the write. The owner takes no
        // clicks meanwhile instead.
        dialog.setWindowModality(Qt::NonModal);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        dialog.setMinimumDuration(0);
        dialog.setRange(0, 1000);
        dialog.setCancelButtonText(QStringLiteral("Cancel"));
        const auto cancel = [&progress] {
            progress.cancel.store(true);
        };
        QObject::connect(&dialog, &QProgressDialog::canceled, cancel);
        QObject::connect(&dialog, &QDialog::rejected, cancel);
        auto *quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &dialog);
        QObject::connect(quit, &QShortcut::activated, [&] {
            progress.cancel.store(true);
            if (hooks.quit)
                hooks.quit();
        });
        const auto show = [&] {
            const int64_t written = progress.written.load();
            dialog.setLabelText(
                QStringLiteral("%1: %2 of %3 MiB").arg(hooks.what, mebibytes(written), mebibytes(total)));
            dialog.setValue(total > 0 ? static_cast<int>(written * 1000 / total) : 0);
        };
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, show);
        tick.start(100);
        show();
        if (hooks.busy)
            hooks.busy(true);
        dialog.show();
        if (!done.load())
            loop.exec();
        if (hooks.busy)
            hooks.busy(false);
    }
    worker.join();
}

} // namespace segment
