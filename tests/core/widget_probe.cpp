// Must not build: the logic library offers no widget headers. A test builds
// this file with the logic library's settings and expects it to fail.
#include <QWidget>

int probe()
{
    return QWidget().width();
}
