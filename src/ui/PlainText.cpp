#include "ui/PlainText.h"

#include <QLabel>

void makeLabelsPlainText(QWidget* root)
{
    if (auto* self = qobject_cast<QLabel*>(root))
        self->setTextFormat(Qt::PlainText);
    for (QLabel* label : root->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return text; // an empty tip shows nothing, as before
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
