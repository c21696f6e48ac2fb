// Direct access to the widgets behind panel handles and control ids, for the
// GUI tests and screenshots only; the program itself never needs Qt types.
#pragma once

class QWidget;

namespace platform {

QWidget* PanelWidget(int panel);
QWidget* CtrlWidget(int panel, int control);

}  // namespace platform
