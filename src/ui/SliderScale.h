#pragma once

#include <QSlider>
#include <QWidget>

namespace pelmix::ui {

// A slider that tells where its handle's centre is for a value, in its own coordinates,
// as its style draws it.
class PositionSlider : public QSlider
{
    Q_OBJECT
public:
    using QSlider::QSlider;

    QPoint handleCentre(int value) const;
};

// The printed scale beside the measuring-time slider: 10^0 to 10^4, each label drawn
// level with the handle's centre at its position, whatever the style and scale factor.
class SliderScale : public QWidget
{
    Q_OBJECT
public:
    SliderScale(const PositionSlider &slider, QWidget *parent);

    // The centre of the label for `value`, in this widget's coordinates.
    QPoint labelCentre(int value) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const PositionSlider &m_slider;
};

} // namespace pelmix::ui
