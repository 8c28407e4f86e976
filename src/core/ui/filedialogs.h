#pragma once
// The toolkit's own file dialogs, as the window uses them.

#include <QFileDialog>

#include <functional>

namespace filedialogs {

// A dialog that has closed leaves nothing on the screen: its completion list
// (a pop-up of its own) would otherwise stay over the main window and take
// the next click.
void hidePopups(QFileDialog &dialog);

// The save dialog asks before replacing the file that will really be written:
// a typed name that the program completes (with ".mp3") is asked about under
// its completed name, with the dialog's own question. The dialog's own check
// still asks about a name typed whole.
class SaveDialog : public QFileDialog {
public:
    // The name the program writes for a name chosen here.
    using FinalName = std::function<QString(const QString &chosen)>;
    // Whether the existing file of that name (its name only) may be replaced.
    using MayReplace = std::function<bool(QWidget *dialog, const QString &name)>;

    // mayReplace defaults to the toolkit's question, with No as its default.
    SaveDialog(QWidget *owner, FinalName finalName, MayReplace mayReplace = {});
    void accept() override;

private:
    FinalName m_finalName;
    MayReplace m_mayReplace;
};

} // namespace filedialogs
