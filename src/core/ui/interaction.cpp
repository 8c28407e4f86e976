#include "core/ui/interaction.h"

#include "core/errors.h"

#include "core/ui/filedialogs.h"
#include "core/ui/launcher.h"

#include <QFileDialog>
#include <QMessageBox>

const char *const kAppTitle = "MP3 Cleavo";

void reportFailure(Interaction &ui, const QString &failure)
{
    ui.errorReport(errorReportText(failure));
}

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

QtInteraction::QtInteraction(QWidget *owner) : m_owner(owner) {}
QtInteraction::~QtInteraction()
{
    // Dialogs of an owner go with it; the others go here.
    for (QFileDialog *dialog : {m_open.data(), m_save.data()})
        if (dialog && !dialog->parent())
            delete dialog;
}

void QtInteraction::setOwner(QWidget *owner)
{
    m_owner = owner;
}

void QtInteraction::setFinalSaveName(std::function<QString(const QString &)> finalName)
{
    m_finalSaveName = std::move(finalName);
}

namespace {

std::optional<QString> run(QFileDialog &dialog)
{
    const int result = dialog.exec();
    filedialogs::hidePopups(dialog);
    if (result != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

std::optional<QString> QtInteraction::openFileName(const QString &initialDir)
{
    // One dialog for the window's life, given its start folder each time.
    if (!m_open) {
        m_open = new QFileDialog(m_owner);
        m_open->setAcceptMode(QFileDialog::AcceptOpen);
        // A typed name is accepted whether or not such a file exists.
        m_open->setFileMode(QFileDialog::AnyFile);
        m_open->setOption(QFileDialog::DontConfirmOverwrite, true);
        m_open->setOption(QFileDialog::HideNameFilterDetails, true);
        m_open->setOption(QFileDialog::DontUseNativeDialog, true);
        m_open->setNameFilter(QStringLiteral("MP3 (*.mp3 *.MP3 *.Mp3 *.mP3)"));
        m_open->setSizeGripEnabled(true);
    }
    if (!initialDir.isEmpty())
        m_open->setDirectory(initialDir);
    m_open->selectFile(QString());
    return run(*m_open);
}

std::optional<QString> QtInteraction::saveFileName(const QString &initialName, const QString &folder)
{
    if (!m_save) {
        m_save = new filedialogs::SaveDialog(m_owner, m_finalSaveName);
        m_save->setAcceptMode(QFileDialog::AcceptSave);
        // Choosing a file that exists asks before replacing it; No returns to the dialog.
        m_save->setFileMode(QFileDialog::AnyFile);
        // The toolkit's own dialog, whose question SaveDialog asks about the name written.
        m_save->setOption(QFileDialog::DontUseNativeDialog, true);
    }
    if (!initialName.isEmpty()) {
        m_save->selectFile(initialName);
    } else {
        if (!folder.isEmpty())
            m_save->setDirectory(folder);
        m_save->selectFile(QString());
    }
    return run(*m_save);
}

void QtInteraction::openDocument(const QUrl &url, std::function<void(bool)> done)
{
    launcher::openWithDefault(url, m_owner, std::move(done));
}

void QtInteraction::runModal(QDialog &dialog)
{
    dialog.exec();
}
