// Control attributes of the platform layer as the live loops use them: the
// measured value's background is set once per received frame, mostly to the
// colour it already has, and that must not cost a palette change and repaint.
#include <gtest/gtest.h>

#include <QEvent>
#include <QObject>
#include <QWidget>

#include "K-BEX-TW-MS-DiredI304.h"
#include "app_fixture.h"
#include "platform/testing.h"

using namespace kbex_test;

namespace {

// Counts the palette and style changes a control and its parts receive.
class ChangeCounter : public QObject {
public:
    explicit ChangeCounter(QWidget* w) {
        w->installEventFilter(this);
        for (QWidget* part : w->findChildren<QWidget*>())
            part->installEventFilter(this);
    }
    int changes = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
            ++changes;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

using CtrlColours = ProgramTest;

TEST_F(CtrlColours, SettingTheColourAlreadyShownTouchesNoPalette) {
    struct Case {
        int control, attribute;
    };
    // A spin box paints through an inner line edit; a text message is one widget.
    for (const Case c : {Case{PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR}, Case{PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR},
                         Case{PANEL_TXTStatus, ATTR_TEXT_COLOR}}) {
        SCOPED_TRACE(c.control);
        ASSERT_EQ(SetCtrlAttribute(pHandle, c.control, c.attribute, VAL_RED), 0);
        ChangeCounter counter(platform::CtrlWidget(pHandle, c.control));
        for (int frame = 0; frame < 3; ++frame)
            ASSERT_EQ(SetCtrlAttribute(pHandle, c.control, c.attribute, VAL_RED), 0);
        EXPECT_EQ(counter.changes, 0);
        // A real change still reaches the widget.
        ASSERT_EQ(SetCtrlAttribute(pHandle, c.control, c.attribute, VAL_DK_GREEN), 0);
        EXPECT_GT(counter.changes, 0);
        int value = -1;
        GetCtrlAttribute(pHandle, c.control, c.attribute, value);
        EXPECT_EQ(value, VAL_DK_GREEN);
    }
}
