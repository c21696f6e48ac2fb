// Control attributes of the platform layer as the live loops use them: the
// measured value's background is set once per received frame, mostly to the
// colour it already has, and that must not cost a palette change and repaint.

#include <QEvent>
#include <QObject>
#include <QWidget>

#include "app_fixture.h"

using namespace kbex_test;
using CtrlColours = ProgramTest;

namespace {

// Counts the palette and style changes a control and its parts receive.
struct ChangeCounter : QObject {
    explicit ChangeCounter(QWidget* w) {
        w->installEventFilter(this);
        for (QWidget* part : w->findChildren<QWidget*>())
            part->installEventFilter(this);
    }
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
         {std::pair{PANEL_NUMValueMM, ATTR_TEXT_BGCOLOR}, std::pair{PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR},
          std::pair{PANEL_TXTStatus, ATTR_TEXT_COLOR}}) {
        SCOPED_TRACE(control);
        ASSERT_EQ(SetCtrlAttribute(pHandle, control, attribute, VAL_RED), 0);
        ChangeCounter counter(platform::CtrlWidget(pHandle, control));
        for (int frame = 0; frame < 3; ++frame)
            ASSERT_EQ(SetCtrlAttribute(pHandle, control, attribute, VAL_RED), 0);
        EXPECT_EQ(counter.changes, 0);
        // A real change still reaches the widget.
        ASSERT_EQ(SetCtrlAttribute(pHandle, control, attribute, VAL_DK_GREEN), 0);
        EXPECT_GT(counter.changes, 0);
        EXPECT_EQ(Attr(pHandle, control, attribute), VAL_DK_GREEN);
    }
}
