#include "core/errors.h"
#include "core/intconv.h"

#include <QTest>

class TestIntConv : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "42" << true << 42;
        QTest::newRow("leading blanks") << "   7" << true << 7;
        QTest::newRow("signs") << "-15" << true << -15;
        QTest::newRow("plus") << "+15" << true << 15;
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483647 - 1);
        QTest::newRow("too big") << "2147483648" << false << 0;
        QTest::newRow("too small") << "-2147483649" << false << 0;
        QTest::newRow("dollar hex") << "$1F" << true << 31;
        QTest::newRow("x hex") << "x10" << true << 16;
        QTest::newRow("0x hex") << "0x200" << true << 512;
        QTest::newRow("hex uses all bits") << "$FFFFFFFF" << true << -1;
        QTest::newRow("hex too long") << "$100000000" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("trailing blank") << "12 " << false << 0;
        QTest::newRow("letters") << "abc" << false << 0;
        QTest::newRow("decimal point") << "1.5" << false << 0;
        QTest::newRow("sign alone") << "-" << false << 0;
        QTest::newRow("prefix alone") << "$" << false << 0;
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto got = parseInt32(text);
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, value);
    }

    void lenientGivesDefaultForBadText()
    {
        QCOMPARE(lenientInt(QStringLiteral("0x200")), 512);
        QCOMPARE(lenientInt(QStringLiteral("0X1f")), 31);
        QCOMPARE(lenientInt(QStringLiteral("abc")), 0);
        QCOMPARE(lenientInt(QString()), 0);
        QCOMPARE(lenientInt(QStringLiteral("99999999999")), 0);
        QCOMPARE(lenientInt(QStringLiteral("700")), 700);
    }

    void strictFailsWithTheText()
    {
        QString error = QStringLiteral("untouched");
        QCOMPARE(strictInt(QStringLiteral("41"), &error), 41);
        QCOMPARE(error, QStringLiteral("untouched"));
        for (const char *bad : {"abc", " ", "", "2147483648"}) {
            QVERIFY(!strictInt(QString::fromLatin1(bad), &error));
            QCOMPARE(error, QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
        }
    }

    // A failure is never a value: an int or a bool result cannot be made of
    // one (it would read as 0 or false that succeeded).
    void failedGivesNothing()
    {
        static_assert(!std::is_constructible_v<int, Failure>);
        QString error;
        const std::optional<int32_t> number = failed(&error, QStringLiteral("no number"));
        QVERIFY(!number.has_value());
        QCOMPARE(error, QStringLiteral("no number"));
        const bool done = failed(nullptr, QStringLiteral("ignored"));
        QVERIFY(!done);
        const std::unique_ptr<int> handle = failed(&error, QStringLiteral("no handle"));
        QVERIFY(!handle);
        QCOMPARE(error, QStringLiteral("no handle"));
    }
};

QTEST_GUILESS_MAIN(TestIntConv)
#include "tst_intconv.moc"
