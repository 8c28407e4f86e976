#include "listening/ui/scrollnotifier.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

ScrollNotifier::ScrollNotifier(QScrollBar *bar) : QObject(bar), m_bar(bar)
{
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this, &ScrollNotifier::onAction);
    connect(bar, &QAbstractSlider::sliderReleased, this, &ScrollNotifier::onReleased);
}

void ScrollNotifier::notify(int code, int pos)
{
    if (m_handler)
        m_handler(code, pos);
}

void ScrollNotifier::onAction(int action)
{
    // Inside actionTriggered the bar's value is still the old one and its
    // slider position already the new one.
    const int pos = m_bar->sliderPosition();
    int code = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINELEFT; break;
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINERIGHT; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGELEFT; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGERIGHT; break;
    case QAbstractSlider::SliderToMinimum: code = SB_LEFT; break;
    case QAbstractSlider::SliderToMaximum: code = SB_RIGHT; break;
    case QAbstractSlider::SliderMove:
        if (!m_bar->isSliderDown())
            return;
        code = SB_THUMBTRACK;
        break;
    default: return;
    }
    if (code != SB_THUMBTRACK)
        m_pendingEnd = true;
    ++m_inAction;
    notify(code, pos);
    --m_inAction;
}

void ScrollNotifier::endScroll()
{
    if (!m_pendingEnd)
        return;
    if (m_inAction > 0) {
        QMetaObject::invokeMethod(this, &ScrollNotifier::endScroll, Qt::QueuedConnection);
        return;
    }
    m_pendingEnd = false;
    notify(SB_ENDSCROLL, m_bar->value());
}

void ScrollNotifier::onReleased()
{
    m_pendingEnd = false;
    notify(SB_THUMBPOSITION, m_bar->sliderPosition());
    notify(SB_ENDSCROLL, m_bar->value());
}

bool ScrollNotifier::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_bar)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease: {
        // Let the bar finish the click first (it stops repeating, or ends a
        // drag with sliderReleased), then report the end of the scroll.
        static_cast<QObject *>(m_bar)->event(event);
        endScroll();
        return true;
    }
    case QEvent::KeyRelease: {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat())
            endScroll();
        return false;
    }
    case QEvent::Wheel: {
        // One wheel notch is one step, then the end of the scroll.
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int delta = wheel->angleDelta().y() != 0 ? wheel->angleDelta().y() : wheel->angleDelta().x();
        if (delta != 0 && !m_bar->isSliderDown()) {
            m_bar->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepSub
                                           : QAbstractSlider::SliderSingleStepAdd);
            m_pendingEnd = false;
            notify(SB_ENDSCROLL, m_bar->value());
        }
        return true;
    }
    default: return false;
    }
}
