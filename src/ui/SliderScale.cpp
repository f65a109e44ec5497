#include "SliderScale.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace pelmix::ui {

QPoint PositionSlider::handleCentre(int value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.sliderPosition = value;
    option.sliderValue = value;
    return style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
        .center();
}

SliderScale::SliderScale(const PositionSlider &slider, QWidget *parent)
    : QWidget(parent)
    , m_slider(slider)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QPoint SliderScale::labelCentre(int value) const
{
    const QPoint handle = mapFrom(window(), m_slider.mapTo(window(), m_slider.handleCentre(value)));
    return {width() / 2, handle.y()};
}

void SliderScale::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont base = font();
    base.setBold(true);
    base.setPixelSize(std::max(8, height() / 13));
    QFont exponent = base;
    exponent.setPixelSize(std::max(6, base.pixelSize() * 2 / 3));
    const QFontMetrics baseMetrics(base);
    const QFontMetrics exponentMetrics(exponent);
    const QString ten = QStringLiteral("10");
    for (int value = m_slider.minimum(); value <= m_slider.maximum(); ++value) {
        // The slider draws its own tick marks beside the groove.
        const int y = labelCentre(value).y();
        const int x = 2;
        const int baseline = y + baseMetrics.capHeight() / 2;
        painter.setFont(base);
        painter.drawText(x, baseline, ten);
        painter.setFont(exponent);
        painter.drawText(x + baseMetrics.horizontalAdvance(ten) + 1,
                         baseline - baseMetrics.capHeight() / 2, QString::number(value));
    }
}

} // namespace pelmix::ui
