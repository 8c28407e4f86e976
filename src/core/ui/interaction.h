#pragma once
// Every modal interaction of the program goes through this interface, so that
// tests can replace it with a scripted fake.

#include <QFileDialog>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QDialog;
class QWidget;

enum class DialogType {
    Error,
    Information,
    Warning
};

class Interaction {
public:
    virtual ~Interaction() = default;

    // Plain message box: caption "MP3 Cleavo", no icon, one OK button.
    virtual void messageBox(const QString &text) = 0;
    // Typed message dialog: icon and caption by type, one OK button.
    virtual void messageDialog(DialogType type, const QString &text) = 0;
    // The application's default error report (text already carries its full stop).
    virtual void errorReport(const QString &text) = 0;
    // Open dialog for MP3 files; nullopt when cancelled.
    virtual std::optional<QString> openFileName(const QString &initialDir) = 0;
    // Save dialog opening with the given name, or in folder when there is no
    // name yet; nullopt when cancelled.
    virtual std::optional<QString> saveFileName(const QString &initialName, const QString &folder) = 0;
    // Open a document or URL with the desktop's default program. Returns at
    // once; done(false) follows, possibly later from the event loop, when no
    // program could open it, done(true) when one did.
    virtual void openDocument(const QUrl &url, std::function<void(bool)> done) = 0;
    // Shows one of the program's own windows modally until it closes.
    virtual void runModal(QDialog &dialog) = 0;
};

// The real dialogs of the desktop.
class QtInteraction : public Interaction {
public:
    explicit QtInteraction(QWidget *owner = nullptr);
    ~QtInteraction() override;
    void setOwner(QWidget *owner);
    // The name the program will write for a name chosen in the save dialog;
    // the dialog asks before replacing that file. Set before the first save.
    void setFinalSaveName(std::function<QString(const QString &)> finalName);

    void messageBox(const QString &text) override;
    void messageDialog(DialogType type, const QString &text) override;
    void errorReport(const QString &text) override;
    std::optional<QString> openFileName(const QString &initialDir) override;
    std::optional<QString> saveFileName(const QString &initialName, const QString &folder) override;
    void openDocument(const QUrl &url, std::function<void(bool)> done) override;
    void runModal(QDialog &dialog) override;

private:
    QWidget *m_owner;
    // The open and save dialogs, made once and used again (the owner's
    // children, so they go with it).
    QPointer<QFileDialog> m_open, m_save;
    std::function<QString(const QString &)> m_finalSaveName;
};

// The default error report of a failure, its text ended with a full stop
// (errorReportText): the one road of a failure in the window's handlers.
void reportFailure(Interaction &ui, const QString &failure);

extern const char *const kAppTitle; // "MP3 Cleavo"
QString dialogCaption(DialogType type);
