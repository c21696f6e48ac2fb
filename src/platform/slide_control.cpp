#include "platform/slide_control.h"

#include <QAccessibleWidget>
#include <QSignalBlocker>

namespace platform {

namespace {

// The slide and the slider inside it (which takes the focus) read as the same
// control; the readout beside it repeats the value, so it is left out.
// Setting the value moves the slider as the operator's keys do, with the
// same events.
class SlideAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    SlideAccessible(QWidget* part, SlideControl* slide)
        : QAccessibleWidget(part, QAccessible::Slider), slide_(slide) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name: return slide_->accessibleName();
        case QAccessible::Description: return slide_->accessibleDescription();
        case QAccessible::Value: return QString::number(slide_->value());
        default: return QAccessibleWidget::text(t);
        }
    }
    int childCount() const override { return 0; }

    QVariant currentValue() const override { return slide_->value(); }
    void setCurrentValue(const QVariant& value) override {
        if (slide_->isEnabled())
            slide_->slider()->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return slide_->maximum(); }
    QVariant minimumValue() const override { return slide_->minimum(); }
    QVariant minimumStepSize() const override { return slide_->slider()->singleStep(); }

private:
    SlideControl* slide_;
};

}  // namespace

QAccessibleInterface* AccessibleSlide(QObject* object) {
    if (auto* slide = qobject_cast<SlideControl*>(object))
        return new SlideAccessible(slide, slide);
    auto* part = qobject_cast<QSlider*>(object);
    auto* slide = part ? qobject_cast<SlideControl*>(part->parent()) : nullptr;
    return slide ? new SlideAccessible(part, slide) : nullptr;
}

SlideControl::SlideControl(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), readout_(new QLabel(this)) {
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout_->setFrameShape(QFrame::Panel);
    readout_->setFrameShadow(QFrame::Sunken);
    readout_->setNum(slider_->value());
    slider_->setTickPosition(QSlider::TicksBelow);
    slider_->setPageStep(10);
    setFocusProxy(slider_);  // a label's shortcut to the slide reaches the slider
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
