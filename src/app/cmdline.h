#pragma once
// The command line: cleavo [FILE], --help, --version.

#include <QString>
#include <QStringList>

namespace cmdline {

struct Request {
    enum Action {
        Run,
        Help,
        Version,
        Error
    } action = Run;
    QString file;  // the MP3 to select at start-up (Run); empty for none
    QString error; // one line for standard error (Error)
};

// Reads the arguments after the program's name. The toolkit's own options
// (-platform NAME, -style NAME, ...) are let through for it.
Request parse(const QStringList &arguments);

QString helpText();    // for --help
QString versionText(); // for --version

} // namespace cmdline
