#include "segment/ui/sourcepanel.h"

#include "core/ui/controls.h"
#include "core/ui/interaction.h"
#include "segment/ui/panelhost.h"
#include "settings/settings.h"

#include <QLabel>
#include <QPushButton>

SourcePanel::SourcePanel(QWidget *parent, PanelHost &host, std::function<void()> clicked)
    : QObject(parent), m_host(host)
{
    using controls::label;
    const QFont plain = controls::font(8), boldUnder = controls::font(8, true, true);
    Lblinfo = label(parent, "Lblinfo",
                    QStringLiteral("Click \"Select\" to choose an MP3, then choose to \"Split by Byte Size\" or "
                                   "\"Split by Listening\". (Note that the original MP3 is never altered or changed)."),
                    5, 2, 482, 32, plain);
    Lblinfo->setWordWrap(true);
    Cmdselect = controls::button(parent, "Cmdselect", QStringLiteral("Select an MP3 file to split"), 128, 45, 188, 22,
                                 glyphs::Glyph::Open);
    Cmdselect->setToolTip(QStringLiteral("Select an MP3 to split (original is NOT altered)"));
    Image1 = controls::picture(parent, "Image1", 330, 49, 40, 32);
    Image1->setPixmap(glyphs::arrow(parent->devicePixelRatioF()));
    Image1->setAccessibleName(QStringLiteral("Arrow pointing to the next step"));
    Lblliteral = label(parent, "Lblliteral", QStringLiteral("FILE SELECTED:"), 5, 75, 119, 18, boldUnder);
    Lblliteral->hide();
    LblFile = label(parent, "LblFile", QString(), 134, 75, 356, 16, boldUnder);
    Lblsizecaption
        = label(parent, "Lblsizecaption", QStringLiteral("FILE SIZE (Total Bytes):"), 5, 93, 129, 13, boldUnder);
    Lblsizecaption->hide();
    Lblsize = label(parent, "Lblsize", QString(), 134, 93, 275, 13, boldUnder);

    connect(Cmdselect, &QPushButton::clicked, this, [this, clicked = std::move(clicked)] { m_host.guarded(clicked); });
}

std::optional<QString> SourcePanel::choose()
{
    return m_host.ui().openFileName(settings::ReadLastDir(m_host.values().StatsIniPath));
}

void SourcePanel::showName(const QString &path)
{
    LblFile->setText(path);
    Lblliteral->show();
}

void SourcePanel::showSize(int64_t size)
{
    Lblsize->setText(QString::number(size));
    Lblsizecaption->show();
}

QString SourcePanel::sizeText() const
{
    return Lblsize->text();
}

QPixmap SourcePanel::arrow() const
{
    return Image1->pixmap();
}

void SourcePanel::pointHere(bool here)
{
    Image1->setVisible(here);
}

void SourcePanel::clear()
{
    Lblliteral->hide();
}

void SourcePanel::press()
{
    if (Cmdselect->isVisible() && Cmdselect->isEnabled())
        Cmdselect->click();
}
