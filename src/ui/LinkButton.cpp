#include "ui/LinkButton.h"

#include <QPalette>

LinkButton::LinkButton(QWidget* parent) : QPushButton(parent)
{
    setFlat(true);
    setAutoDefault(false);
    setCursor(Qt::OpenHandCursor);
    setProperty("link", true); // the style sheet leaves the look to this class
    QFont f = font();
    f.setBold(true);
    f.setPointSize(11);
    f.setUnderline(true);
    setFont(f);
    // The same look through the style sheet, which wins over the palette
    // under the window's sheet.
    setStyleSheet(QStringLiteral("QPushButton { color: %1; background-color: %2; border: none; padding: 2px 6px;"
                                 " text-align: left; font-weight: bold; font-size: 11pt; text-decoration: underline; }")
                      .arg(textColour().name(), groundColour().name()));
}

QString websiteLinkTitle(const QString& website)
{
    QString title = website;
    title.remove(QStringLiteral("https://www."));
    return title;
}
