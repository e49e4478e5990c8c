#include "ui/SectorSlider.h"

#include <algorithm>
#include <climits>

namespace {
constexpr int kScaledPositions = 1 << 30;
}

SectorSlider::SectorSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    applyIntRange();
}

int SectorSlider::positionsFor(qint64 span)
{
    return span <= INT_MAX ? static_cast<int>(span) : kScaledPositions;
}

void SectorSlider::applyIntRange()
{
    const qint64 span = max64_ - min64_;
    const int positions = positionsFor(span);
    programmatic_ = true;
    setRange(0, positions);
    setSingleStep(std::max(1, positions / 1000));
    setPageStep(std::max(1, positions / 10));
    setValue(toPosition(value64_));
    programmatic_ = false;
}

void SectorSlider::setRange64(qint64 min, qint64 max)
{
    min64_ = min;
    max64_ = std::max(min, max);
    value64_ = std::clamp(value64_, min64_, max64_);
    applyIntRange();
}

void SectorSlider::setValue64(qint64 value)
{
    value64_ = std::clamp(value, min64_, max64_);
    programmatic_ = true;
    setValue(toPosition(value64_));
    programmatic_ = false;
}

int SectorSlider::toPosition(qint64 value) const
{
    const qint64 span = max64_ - min64_;
    const qint64 offset = value - min64_;
    if (span <= INT_MAX)
        return static_cast<int>(offset);
    // 128-bit product: offset * 2^30 overflows 64 bits for spans beyond 2^33.
    return static_cast<int>(static_cast<__int128>(offset) * kScaledPositions / span);
}

qint64 SectorSlider::fromPosition(int position) const
{
    const qint64 span = max64_ - min64_;
    if (span <= INT_MAX)
        return min64_ + position;
    if (position >= kScaledPositions)
        return max64_;
    return min64_ + static_cast<qint64>(static_cast<__int128>(position) * span / kScaledPositions);
}

void SectorSlider::sliderChange(SliderChange change)
{
    QSlider::sliderChange(change);
    if (change == SliderValueChange && !programmatic_) {
        value64_ = fromPosition(value());
        emit moved64(value64_);
    }
}
