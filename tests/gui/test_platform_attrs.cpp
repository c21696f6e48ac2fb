// Control attributes as the live loops use them: the measured value's
// background is set once per received frame, mostly to the colour it already
// has, and that must not cost a palette change and a repaint.

#include <QEvent>
#include <QWidget>

#include "app_fixture.h"

using namespace kbex_test;
using CtrlColours = ProgramTest;

namespace {

struct ChangeCounter : QObject {
    bool eventFilter(QObject* watched, QEvent* event) override {
        changes += event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange;
        return QObject::eventFilter(watched, event);
    }
    int changes = 0;
};

}  // namespace

TEST_F(CtrlColours, SettingTheColourAlreadyShownTouchesNoPalette) {
    // A spin box paints through an inner line edit; a text message is one widget.
    for (auto [control, attribute] :
         {std::pair{PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR}, std::pair{PANEL_TXTStatus, ATTR_TEXT_COLOR}}) {
        ASSERT_EQ(SetCtrlAttribute(pHandle, control, attribute, VAL_RED), 0);
        ChangeCounter counter;
        QWidget* w = platform::CtrlWidget(pHandle, control);
        QList<QWidget*> parts = w->findChildren<QWidget*>();
        for (QWidget* part : parts << w)
            part->installEventFilter(&counter);
        for (int frame = 0; frame < 3; ++frame)
            SetCtrlAttribute(pHandle, control, attribute, VAL_RED);
        EXPECT_EQ(counter.changes, 0) << control;
        SetCtrlAttribute(pHandle, control, attribute, VAL_DK_GREEN);  // a real change still reaches it
        EXPECT_GT(counter.changes, 0) << control;
        EXPECT_EQ(Attr(pHandle, control, attribute), VAL_DK_GREEN);
    }
}
