// Copies a whole file as the program writes a new MP3, slowly and through a
// named temporary file, so that a test can end it midway with a signal.

#include "core/termination.h"
#include "segment/segmentfile.h"
#include "support/faults_c.h"

#include <QFileInfo>

int main(int argc, char *argv[])
{
    if (argc != 3)
        return 2;
    termination::install();
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString destination = QString::fromLocal8Bit(argv[2]);
    cleavo_fault_no_tmpfile(1);
    cleavo_fault_slow_writes(QFile::encodeName(QFileInfo(destination).absolutePath()).constData(), 20000);
    const auto outcome = segment::copyByteRange(source, destination, 0, QFileInfo(source).size());
    return outcome.kind == segment::CopyOutcome::Copied ? 0 : 1;
}
