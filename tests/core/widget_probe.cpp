// Built by the wall tests with the logic library's settings: each spelling of
// a widget or Qt Gui header must stop the build; the control must build.
#if defined(PROBE_widget)
#include <QWidget>
int probe()
{
    return QWidget().width();
}
#elif defined(PROBE_widgets_folder)
#include <QtWidgets/QWidget>
int probe()
{
    return QWidget().width();
}
#elif defined(PROBE_gui_folder)
#include <QtGui/QPalette>
int probe()
{
    return QPalette().isCopyOf(QPalette()) ? 1 : 0;
}
#else
#include <QtCore/QString>
int probe()
{
    return int(QString(QStringLiteral("core")).size());
}
#endif
