#pragma once
// A button drawn as a link: bold 11-point text, blue, single underline, on a
// light grey (236/255) ground, with an open-hand cursor. The link windows
// use it for the web site and the support address.

#include <QPushButton>

class LinkButton : public QPushButton {
    Q_OBJECT
public:
    explicit LinkButton(QWidget* parent = nullptr);

    // The grey ground behind the link text.
    static QColor groundColour() { return QColor::fromRgbF(0.9254901960784314f, 0.9254901960784314f, 0.9254901960784314f, 1.0f); }
    static QColor textColour() { return QColor(0, 0, 238); }
};

// The title of a web-site link: the address without "https://www.".
QString websiteLinkTitle(const QString& website);
