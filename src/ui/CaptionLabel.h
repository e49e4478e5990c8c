#pragma once
// A caption of the disk information box. Its text keeps the tab characters
// the captions are defined with ("Volume Name\t\t:"); it is drawn as the name
// on the left and the colon at the right edge, so the colons of a column of
// captions line up whatever the font.

#include <QLabel>

class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text before the first tab, and what follows the last one.
    QString namePart() const;
    QString tailPart() const;
};
