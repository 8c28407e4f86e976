// The file dialogs' own behaviour, on the toolkit's real dialogs, shown but
// never run modally: what each does is called as the dialog would call it.
#include "core/ui/filedialogs.h"
#include "support/fakes.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

class TestFileDialogs : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    [[nodiscard]] QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        writeFile(path("piece.mp3"), "earlier");
        writeFile(path("pieces.txt"), "notes");
    }

    // The completion list a typed name opened goes when the dialog closes.
    void aClosedDialogLeavesNoCompletionList()
    {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setDirectory(m_dir.path());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit && edit->completer());
        QAbstractItemView *popup = edit->completer()->popup();
        edit->setFocus();
        // Until the dialog has read its folder, nothing completes.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                edit->clear();
                QTest::keyClicks(edit, QStringLiteral("pie"));
                return popup->isVisible();
            }(),
            5000);
        dialog.reject();
        QVERIFY(popup->isVisible()); // what the toolkit leaves
        filedialogs::hidePopups(dialog);
        QVERIFY(!popup->isVisible());
    }

    // A typed name the program completes is asked about under the name it
    // writes; No keeps the dialog open, Yes and a new name close it.
    void theQuestionNamesTheFileWritten_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("asked"); // empty: no question
        QTest::addColumn<bool>("accepted");
        QTest::newRow("completed to an existing name, No") << "piece" << false << "piece.mp3" << false;
        QTest::newRow("completed to an existing name, Yes") << "piece" << true << "piece.mp3" << true;
        QTest::newRow("completed to a new name") << "other" << false << "" << true;
        QTest::newRow("a folder of that name") << "sub" << false << "" << true;
    }
    void theQuestionNamesTheFileWritten()
    {
        QFETCH(QString, typed);
        QFETCH(bool, answer);
        QFETCH(QString, asked);
        QFETCH(bool, accepted);
        QDir(m_dir.path()).mkpath(QStringLiteral("sub.mp3"));
        QStringList questions;
        filedialogs::SaveDialog dialog(
            nullptr,
            [](const QString &chosen) {
                return chosen.endsWith(QLatin1String(".mp3")) ? chosen : chosen + QStringLiteral(".mp3");
            },
            [&](QWidget *, const QString &name) {
                questions << name;
                return answer;
            });
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDirectory(m_dir.path());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(typed);
        dialog.accept();
        QCOMPARE(questions, asked.isEmpty() ? QStringList() : QStringList{asked});
        QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
        QCOMPARE(dialog.isVisible(), !accepted);
    }
};

QTEST_MAIN(TestFileDialogs)
#include "tst_filedialogs.moc"
