// The peer of the start-up and memory benchmarks: a Qt program that shows
// one empty window. With --rss it prints its peak resident memory and ends.

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Window"));
    window.resize(502, 609);
    window.show();
    if (argc > 1 && QByteArray(argv[1]) == "--rss") {
        QTimer::singleShot(1500, &app, [&] {
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    std::printf("%.2f\n", line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0);
            app.quit();
        });
    }
    return app.exec();
}
