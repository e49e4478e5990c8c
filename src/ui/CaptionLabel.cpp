#include "ui/CaptionLabel.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {}

QString CaptionLabel::namePart() const
{
    const QString t = text();
    const qsizetype tab = t.indexOf(u'\t');
    return tab < 0 ? t : t.left(tab);
}

QString CaptionLabel::tailPart() const
{
    const QString t = text();
    const qsizetype tab = t.lastIndexOf(u'\t');
    return tab < 0 ? QString() : t.mid(tab + 1);
}

QSize CaptionLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    const int gap = fm.horizontalAdvance(QStringLiteral("   "));
    const QMargins m = contentsMargins();
    return QSize(fm.horizontalAdvance(namePart()) + gap + fm.horizontalAdvance(tailPart()) + m.left() + m.right(),
                 fm.height() + m.top() + m.bottom());
}

QSize CaptionLabel::minimumSizeHint() const
{
    return sizeHint();
}

void CaptionLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    const QRect r = contentsRect();
    const QPalette::ColorRole role = foregroundRole();
    style()->drawItemText(&painter, r, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), namePart(), role);
    style()->drawItemText(&painter, r, Qt::AlignRight | Qt::AlignVCenter, palette(), isEnabled(), tailPart(), role);
}
