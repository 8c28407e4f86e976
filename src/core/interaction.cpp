#include "core/interaction.h"

#include "core/launcher.h"

#include <QFileDialog>
#include <QMessageBox>

const char *const kAppTitle = "MP3 Cleavo";

QString dialogCaption(DialogType type)
{
    switch (type) {
    case DialogType::Error: return QStringLiteral("Error");
    case DialogType::Information: return QStringLiteral("Information");
    case DialogType::Warning: return QStringLiteral("Warning");
    }
    return {};
}

namespace {

void showBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void QtInteraction::messageBox(const QString &text)
{
    showBox(m_owner, QMessageBox::NoIcon, QString::fromLatin1(kAppTitle), text);
}

void QtInteraction::messageDialog(DialogType type, const QString &text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (type == DialogType::Error)
        icon = QMessageBox::Critical;
    else if (type == DialogType::Warning)
        icon = QMessageBox::Warning;
    showBox(m_owner, icon, dialogCaption(type), text);
}

void QtInteraction::errorReport(const QString &text)
{
    showBox(m_owner, QMessageBox::Critical, QString::fromLatin1(kAppTitle), text);
}

std::optional<QString> QtInteraction::openFileName(const QString &initialDir)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name is accepted whether or not such a file exists.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(QStringLiteral("MP3 (*.mp3 *.MP3 *.Mp3 *.mP3)"));
    if (!initialDir.isEmpty())
        dialog.setDirectory(initialDir);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

std::optional<QString> QtInteraction::saveFileName(const QString &initialName, const QString &folder)
{
    QFileDialog dialog(m_owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Choosing a file that exists asks before replacing it; No returns to the dialog.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);
    else if (!folder.isEmpty())
        dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void QtInteraction::openDocument(const QUrl &url, std::function<void(bool)> done)
{
    launcher::openWithDefault(url, m_owner, std::move(done));
}

void QtInteraction::runModal(QDialog &dialog)
{
    dialog.exec();
}
