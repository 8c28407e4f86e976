#include "core/ui/filedialogs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileInfo>
#include <QMessageBox>

namespace filedialogs {

void hidePopups(QFileDialog &dialog)
{
    for (QCompleter *completer : dialog.findChildren<QCompleter *>()) {
        if (QAbstractItemView *popup = completer->popup(); popup && popup->isVisible())
            popup->hide();
    }
}

SaveDialog::SaveDialog(QWidget *owner, FinalName finalName, MayReplace mayReplace)
    : QFileDialog(owner), m_finalName(std::move(finalName)), m_mayReplace(std::move(mayReplace))
{
    if (!m_mayReplace) {
        m_mayReplace = [](QWidget *dialog, const QString &name) {
            return QMessageBox::warning(dialog, dialog->windowTitle(),
                                        tr("%1 already exists.\nDo you want to replace it?").arg(name),
                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                == QMessageBox::Yes;
        };
    }
}

void SaveDialog::accept()
{
    const QStringList files = selectedFiles();
    if (m_finalName && !files.isEmpty()) {
        const QString written = m_finalName(files.first());
        const QFileInfo info(written);
        if (written != files.first() && info.exists() && !info.isDir() && !m_mayReplace(this, info.fileName()))
            return;
    }
    QFileDialog::accept();
}

} // namespace filedialogs
