#include "platform/slide_control.h"

#include <QSignalBlocker>

namespace platform {

SlideControl::SlideControl(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), readout_(new QLabel(this)) {
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout_->setFrameShape(QFrame::Panel);
    readout_->setFrameShadow(QFrame::Sunken);
    readout_->setNum(slider_->value());
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setPageStep(10);
    connect(slider_, &QSlider::valueChanged, this, [this](int v) {
        readout_->setNum(v);
        emit valueChanged(v);
        if (!slider_->isSliderDown())
            emit committed(v);
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { emit committed(slider_->value()); });
}

void SlideControl::setValue(int v) {
    slider_->setValue(v);
    readout_->setNum(slider_->value());
}

void SlideControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int readoutWidth = 44;
    slider_->setGeometry(0, 0, std::max(10, width() - readoutWidth - 6), height());
    readout_->setGeometry(width() - readoutWidth, (height() - 22) / 2, readoutWidth, 22);
}

}  // namespace platform
