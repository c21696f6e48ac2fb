// A slide with its digital readout, as operators expect from a threshold
// control: the number beside the slider is what will be sent.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QLabel>
#include <QSlider>
#include <QWidget>

class QAccessibleInterface;

namespace platform {

class SlideControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(int maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(int value READ value WRITE setValue)

public:
    explicit SlideControl(QWidget* parent = nullptr);

    int minimum() const { return slider_->minimum(); }
    int maximum() const { return slider_->maximum(); }
    int value() const { return slider_->value(); }
    void setMinimum(int v) { slider_->setMinimum(v); }
    void setMaximum(int v) { slider_->setMaximum(v); }
    void setValue(int v);
    QSlider* slider() const { return slider_; }

signals:
    void valueChanged(int value);  // every move, by the user or not
    void committed(int value);     // the user let go, or stepped with keys/wheel

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSlider* slider_;
    QLabel* readout_;
};

// What assistive technology sees of a slide or of the slider inside it: one
// slider with the slide's name, range and value. nullptr for anything else.
QAccessibleInterface* AccessibleSlide(QObject* object);

}  // namespace platform
