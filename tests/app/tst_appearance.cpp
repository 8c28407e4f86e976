// The windows wherever they run: under a dark desktop palette, to a screen
// reader, on a HiDPI screen and on a small screen with a panel.

#include "app/placement.h"
#include "core/ui/glyphs.h"
#include "extras/ui/frmabout.h"
#include "listening/ui/spinedit.h"
#include "settings/settings.h"
#include "support/fakes.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTest>

#include <cmath>

namespace {

double luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Rendering {
    QRgb background; // the commonest shade (a gradient counts as one)
    double text;     // the strongest contrast of any pixel against it
};

// From the widget's own rendering, not from any palette.
Rendering measure(QWidget *w)
{
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QHash<int, QList<QRgb>> shades; // by luminance, in steps of a tenth
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            shades[int(luminance(image.pixel(x, y)) * 10)] << image.pixel(x, y);
    QList<QRgb> commonest;
    for (const QList<QRgb> &shade : shades)
        if (shade.size() > commonest.size())
            commonest = shade;
    const QRgb background = commonest[commonest.size() / 2];
    double strongest = 1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            strongest = std::max(strongest, contrast(image.pixel(x, y), background));
    return {background, strongest};
}

bool hasText(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return !l->text().trimmed().isEmpty();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return !b->text().isEmpty();
    return qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<QGroupBox *>(w);
}

QPalette darkPalette()
{
    QPalette dark(QColor(53, 53, 53), QColor(42, 42, 42));
    dark.setColor(QPalette::WindowText, QColor(238, 238, 238));
    dark.setColor(QPalette::Text, QColor(238, 238, 238));
    dark.setColor(QPalette::ButtonText, QColor(238, 238, 238));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    return dark;
}

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
private slots:
    // Every text of both windows reads at 4.5:1 or more on a light ground,
    // and a radio button is filled only when it is checked.
    void aDarkDesktopPaletteLeavesTheWindowsReadable()
    {
        const QPalette before = QApplication::palette();
        QApplication::setPalette(darkPalette());
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        w.values().FileSelected = true;
        w.ToggleResultPanel(); // the result panel, with its glyphs
        control<QPushButton>(w, "CmdOmp3")->setEnabled(false);
        TFrmabout2 about(&w);
        for (QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(&about)}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (QWidget *child : window->findChildren<QWidget *>()) {
                if (!child->isVisibleTo(window) || !hasText(child))
                    continue;
                const Rendering r = measure(child);
                QVERIFY2(luminance(r.background) > 0.5, qPrintable(child->objectName()));
                QVERIFY2(r.text >= 4.5, qPrintable(child->objectName() + QStringLiteral(": %1").arg(r.text)));
            }
        }
        // A button that cannot be clicked is told by its flat face too.
        QVERIFY(luminance(measure(control<QPushButton>(w, "CmdOmp3")).background)
                < luminance(measure(control<QPushButton>(w, "CmdPmp3")).background));
        for (QRadioButton *radio : w.findChildren<QRadioButton *>()) {
            QStyleOptionButton option;
            option.initFrom(radio);
            const QRect indicator = radio->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, radio);
            const QRgb centre = radio->grab().toImage().pixel(indicator.center());
            QVERIFY2((luminance(centre) > 0.5) != radio->isChecked(), qPrintable(radio->objectName()));
        }
        QApplication::setPalette(before);
    }

    // What the AT-SPI bridge reads: every control that acts says what it is for.
    void screenReadersHearWhatEachControlIsFor()
    {
        ConfigHome home;
        Harness h;
        h.create();
        TFrmsplit &w = *h.window;
        const auto name = [](QObject *o) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(o);
            return a ? a->text(QAccessible::Name) : QString();
        };
        QCOMPARE(QAccessible::queryAccessibleInterface(&w)->role(), QAccessible::Window);
        QCOMPARE(name(&w), QStringLiteral("MP3 Cleavo"));
        for (QWidget *child : w.findChildren<QWidget *>()) {
            const bool acts = qobject_cast<QAbstractButton *>(child) || qobject_cast<QAbstractSlider *>(child)
                || qobject_cast<QAbstractSpinBox *>(child);
            const auto *label = qobject_cast<QLabel *>(child);
            if (acts || (label && label->text().isEmpty() && child->objectName().startsWith(QLatin1String("Image"))))
                QVERIFY2(!name(child).isEmpty(), qPrintable(child->objectName()));
        }
        QCOMPARE(name(control<QScrollBar>(w, "ScrollStart")), QStringLiteral("Start at byte"));
        QCOMPARE(name(control<QScrollBar>(w, "ScrollEnd")), QStringLiteral("End at byte"));
        QCOMPARE(control<QLabel>(w, "Label3")->buddy(), control<QScrollBar>(w, "ScrollStart"));
        QCOMPARE(control<QLabel>(w, "Label2")->buddy(), control<QScrollBar>(w, "ScrollEnd"));
        QCOMPARE(name(control<SpinEdit>(w, "SpinEdit1")), QStringLiteral("Number to adjust when you click rewind"));
        QCOMPARE(name(control<SpinEdit>(w, "SpinEdit2")), QStringLiteral("Number to adjust when you click forward"));
        QVERIFY(name(control<QScrollBar>(w, "ScrollBar1")) != name(control<QScrollBar>(w, "ScrollStart")));
        TFrmabout2 about(&w);
        QCOMPARE(name(&about), QStringLiteral("About MP3 Cleavo"));
    }

    // Glyphs drawn at the screen's scale, not blown up from 16 pixels.
    void picturesAreDrawnForTheScreensScale()
    {
        for (qreal ratio : {1.5, 2.0}) {
            const QPixmap play = glyphs::icon(glyphs::Glyph::Play).pixmap(QSize(16, 16), ratio);
            QCOMPARE(play.size(), QSize(qRound(16 * ratio), qRound(16 * ratio)));
            QCOMPARE(play.devicePixelRatio(), ratio);
            const QPixmap arrow = glyphs::arrow(ratio);
            QCOMPARE(arrow.size(), QSize(qRound(32 * ratio), qRound(32 * ratio)));
            QCOMPARE(arrow.deviceIndependentSize(), QSizeF(32, 32));
        }
    }

    void theFrameStaysInsideTheAreaThePanelsLeave_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QRect>("fitted");
        // A 1024x600 screen with a 32-pixel panel below; a frame of 1 pixel
        // and a 28-pixel title bar.
        QTest::addRow("taller than the area") << QRect(261, 0, 502, 609) << QRect(261, 28, 502, 539);
        QTest::addRow("below the area") << QRect(100, 400, 502, 300) << QRect(100, 267, 502, 300);
        QTest::addRow("right of the area") << QRect(900, 100, 502, 300) << QRect(521, 100, 502, 300);
        QTest::addRow("inside already") << QRect(100, 100, 502, 300) << QRect(100, 100, 502, 300);
    }
    void theFrameStaysInsideTheAreaThePanelsLeave()
    {
        QFETCH(QRect, geometry);
        QFETCH(QRect, fitted);
        QCOMPARE(placement::fitFrame(geometry, QMargins(1, 28, 1, 1), QRect(0, 0, 1024, 568), QSize(136, 39)), fitted);
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_appearance.moc"
