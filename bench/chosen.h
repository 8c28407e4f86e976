#pragma once
// The dialogs of a benchmark: the open dialog answered with one file, and any
// message ending the run (a message means the run measured something else).

#include "core/ui/interaction.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

class Chosen : public Interaction {
public:
    QString file;
    void messageBox(const QString &text) override { fail(text); }
    void messageDialog(DialogType, const QString &text) override { fail(text); }
    void errorReport(const QString &text) override { fail(text); }
    std::optional<QString> openFileName(const QString &) override { return file; }
    std::optional<QString> saveFileName(const QString &, const QString &) override { return std::nullopt; }
    void openDocument(const QUrl &, std::function<void(bool)> done) override { done(false); }
    void runModal(QDialog &) override {}

private:
    static void fail(const QString &text)
    {
        std::fprintf(stderr, "bench: %s\n", qPrintable(text));
        std::exit(1);
    }
};

} // namespace bench
