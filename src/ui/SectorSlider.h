#pragma once
// A horizontal slider over a range of sector numbers. Media have more
// sectors than an int holds (a 2 TB disk has about 3.9 billion), so the
// slider keeps its value as a 64-bit sector number and maps it onto the int
// positions of QSlider: one position per sector while the range fits, else
// 2^30 evenly spaced positions. The ends map exactly: the last position is
// the range's maximum.

#include <QSlider>

class SectorSlider : public QSlider {
    Q_OBJECT
public:
    explicit SectorSlider(QWidget* parent = nullptr);

    qint64 minimum64() const { return min64_; }
    qint64 maximum64() const { return max64_; }
    qint64 value64() const { return value64_; }

    // Sets the range (max below min counts as min) and clamps the value into it.
    void setRange64(qint64 min, qint64 max);
    // Moves the knob to `value` (clamped). Programmatic: moved64 is not sent.
    void setValue64(qint64 value);

    // Positions the int slider uses for a span of `span` sectors.
    static int positionsFor(qint64 span);

signals:
    // The user moved the knob (mouse, wheel or keyboard) to `value`.
    void moved64(qint64 value);

protected:
    void sliderChange(SliderChange change) override;

private:
    int toPosition(qint64 value) const;
    qint64 fromPosition(int position) const;
    void applyIntRange();

    qint64 min64_ = 0;
    qint64 max64_ = 0;
    qint64 value64_ = 0;
    bool programmatic_ = false;
};
