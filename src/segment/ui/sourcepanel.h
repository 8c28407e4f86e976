#pragma once
// Choosing the source: the hint at the top, the Select button with the arrow
// beside it, and the chosen file's name and size.

#include <QObject>
#include <QPixmap>
#include <QString>
#include <functional>
#include <optional>

class PanelHost;
class QLabel;
class QPushButton;
class QWidget;

class SourcePanel : public QObject {
    Q_OBJECT
public:
    // clicked runs the window's handler of the Select button.
    SourcePanel(QWidget *parent, PanelHost &host, std::function<void()> clicked);

    // The open dialog, in the folder of the last source; none where it was cancelled.
    [[nodiscard]] std::optional<QString> choose();
    // The chosen file's name, then its size, as they are shown.
    void showName(const QString &path);
    void showSize(int64_t size);
    [[nodiscard]] QString sizeText() const;
    // The arrow that points to the next step, and whether it points here.
    [[nodiscard]] QPixmap arrow() const;
    void pointHere(bool here);
    void clear();
    void press(); // the Select button, where it takes a click

private:
    PanelHost &m_host;
    QLabel *Lblinfo, *Image1, *Lblliteral, *LblFile, *Lblsizecaption, *Lblsize;
    QPushButton *Cmdselect;
};
