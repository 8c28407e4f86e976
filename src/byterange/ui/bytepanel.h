#pragma once
// The byte panel: two scroll bars give the first byte and the end byte of the
// piece, and a button writes it.

#include <QObject>
#include <cstdint>

class PanelHost;
class QFrame;
class QLabel;
class QPixmap;
class QPushButton;
class QScrollBar;
class QWidget;

class BytePanel : public QObject {
    Q_OBJECT
public:
    BytePanel(QWidget *parent, PanelHost &host);

    void ScrollStartChange();
    void ScrollEndChange();
    void BitBtn1Click();

    void setVisible(bool visible);
    void setArrow(const QPixmap &arrow);
    void clear();
    // A source of size bytes (sizeText as the window shows it) is chosen: the whole of it.
    void sourceChosen(int32_t size, const QString &sizeText);
    void pieceWritten();

private:
    void byteScrollChange(QScrollBar *bar, QLabel *own);

    PanelHost &m_host;
    QFrame *PanByte;
    QLabel *Label8, *Label3, *LblByteStart, *Image4, *Label2, *LblByteEnd, *LblRealTime, *LblRealByte;
    QScrollBar *ScrollStart, *ScrollEnd;
    QPushButton *BitBtn1;
};
