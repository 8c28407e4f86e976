#pragma once
// Test doubles: scripted dialogs, a deterministic media player, and a main
// window built on them in a private configuration folder.

#include "app/frmsplit.h"
#include "core/mediaplayer.h"
#include "core/ui/interaction.h"
#include "listening/ui/spinedit.h"

#include <QByteArray>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>

class ScriptedInteraction : public Interaction {
public:
    enum class Kind {
        Box,
        Dialog,
        Error
    };
    struct Shown {
        Kind kind;
        DialogType type;
        QString text;
    };

    QList<Shown> shown;
    QList<std::optional<QString>> openAnswers; // next answers of the open dialog; empty: cancel
    QList<std::optional<QString>> saveAnswers;
    QStringList openDirs;     // initial folders the open dialog was given
    QStringList saveInitials; // names the save dialog opened with
    QStringList saveFolders;  // folders it was given for when there is no name
    bool openResult = true;
    QList<QUrl> opened;
    int modalCount = 0;
    std::function<void(QDialog &)> onModal;
    std::function<void(const Shown &)> onShown;

    void messageBox(const QString &text) override { record({Kind::Box, DialogType::Information, text}); }
    void messageDialog(DialogType type, const QString &text) override { record({Kind::Dialog, type, text}); }
    void errorReport(const QString &text) override { record({Kind::Error, DialogType::Error, text}); }
    std::optional<QString> openFileName(const QString &initialDir) override
    {
        openDirs << initialDir;
        return openAnswers.isEmpty() ? std::nullopt : openAnswers.takeFirst();
    }
    std::optional<QString> saveFileName(const QString &initialName, const QString &folder) override
    {
        saveInitials << initialName;
        saveFolders << folder;
        return saveAnswers.isEmpty() ? std::nullopt : saveAnswers.takeFirst();
    }
    void openDocument(const QUrl &url, std::function<void(bool)> done) override
    {
        opened << url;
        done(openResult);
    }
    void runModal(QDialog &dialog) override;

    QStringList texts() const;
    QStringList textsOf(Kind kind) const;
    void clear() { shown.clear(); }

private:
    void record(const Shown &s)
    {
        shown << s;
        if (onShown)
            onShown(s);
    }
};

class FakePlayer : public MediaPlayer {
public:
    bool open = false;
    int mode = Stopped;
    int position = 0;
    int length = 10000;
    bool failOpen = false;
    bool failStop = false;
    bool failPlay = false;
    int failStopsLeft = 0; // the next n Stop calls fail
    QStringList log;       // operations in order

    bool Open(QString *error = nullptr) override;
    bool Close(QString *error = nullptr) override;
    bool Play(QString *error = nullptr) override;
    bool Stop(QString *error = nullptr) override;
    bool Pause(QString *error = nullptr) override;
    bool Resume(QString *error = nullptr) override;
    [[nodiscard]] int Position() const override { return open ? position : 0; }
    bool setPosition(int ms, QString *error = nullptr) override;
    std::optional<int> Length(QString *error = nullptr) override;
    [[nodiscard]] int Mode() const override { return open ? mode : NotReady; }
    bool isOpen() const override { return open; }
};

// A private configuration folder for one test: XDG_CONFIG_HOME points into
// it, and XDG_DATA_HOME (where the trash is) into a folder beside it that does
// not exist yet, as in a new account's home.
class ConfigHome {
public:
    ConfigHome();
    ~ConfigHome();
    QString root() const { return m_dir.path(); }
    QString trash() const { return m_dir.path() + QStringLiteral("/data/Trash"); }
    QString folder() const { return m_dir.path() + QStringLiteral("/Quillfen"); }
    QString statsIni() const { return folder() + QStringLiteral("/cleavo.ini"); }
    QString sizeIni() const { return folder() + QStringLiteral("/SG_2.ini"); }
    QString askConf() const { return folder() + QStringLiteral("/Cleavo.conf"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    QByteArray m_previousData;
};

struct Harness {
    ScriptedInteraction ui;
    MediaPlayer *player1 = nullptr;
    MediaPlayer *player2 = nullptr;
    std::unique_ptr<TFrmsplit> window;

    FakePlayer &fake1() { return static_cast<FakePlayer &>(*player1); }
    FakePlayer &fake2() { return static_cast<FakePlayer &>(*player2); }

    // Builds the window (running its start-up) with fake or real players.
    void create(bool realPlayers = false, const QString &pagesDir = QString());
    // Runs the source selection answering the open dialog with path.
    void select(const QString &path);
};

// The window's control of that name and kind, as screen readers and road
// tests find it (a test fails at once where there is none).
template <class T>
T *control(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Where a part of a horizontal scroll bar (arrow, trough, thumb) lies.
QRect scrollBarPart(QScrollBar *bar, QStyle::SubControl part);
// Sends a mouse event with the left button to w.
void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons);

// While it lives, files cannot grow beyond bytes (writes fail as on a full disk).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();

private:
    rlim_t m_previousLimit;
    struct sigaction m_previousAction {};
};

// Helpers for files.
QByteArray readAll(const QString &path);
void writeFile(const QString &path, const QByteArray &data);
QByteArray patternBytes(int size); // varied, reproducible content
QString testData(const char *name);
