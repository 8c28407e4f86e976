// Copies a whole file as the program writes a new MP3, slowly and through a
// named temporary file, so that a test can end it midway with a signal; with
// "signal-at-sync", at full speed with SIGTERM raised at the last sync.

#include "core/termination.h"
#include "segment/segmentfile.h"
#include "support/faults_c.h"

#include <QFileInfo>

#include <csignal>

int main(int argc, char *argv[])
{
    if (argc != 3 && argc != 4)
        return 2;
    termination::install();
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString destination = QString::fromLocal8Bit(argv[2]);
    cleavo_fault_no_tmpfile(1);
    const QByteArray folder = QFile::encodeName(QFileInfo(destination).absolutePath());
    if (argc == 4)
        cleavo_fault_signal_at(CLEAVO_FAULT_SYNC, folder.constData(), SIGTERM);
    else
        cleavo_fault_slow_writes(folder.constData(), 20000);
    return segment::copyByteRange(source, destination, 0, QFileInfo(source).size()) ? 0 : 1;
}
