#include "logo.h"

#include "K-BEX-TW-MS-DiredI304.h"
#include "platform/panels.h"

namespace {
constexpr int kHeaderBlue = 0x0080FF;
}

void ShowLogo(int style) {
    if (style != 2)
        return;
    SetCtrlAttribute(pHandle, PANEL_DECOHeader, ATTR_FRAME_COLOR, kHeaderBlue);
    SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_TOP, 8);
    SetCtrlAttribute(pHandle, PANEL_PICTLogo, ATTR_LEFT, 300);
    DisplayImageFile(pHandle, PANEL_PICTLogo, "zq.bmp");  // a missing logo leaves the picture empty
    // The maker's lines; the number and address are placeholders, not a real line.
    ShowInfoText(0, kHeaderBlue, VAL_WHITE, "Halvaro GmbH", 15, 9, 11);
    ShowInfoText(0, kHeaderBlue, VAL_WHITE, "Tel. +1-555-0100 (example)", 15, 24, 11);
    ShowInfoText(0, kHeaderBlue, VAL_WHITE, "www.halvaro.example", 15, 39, 11);
    ShowInfoText(0, kHeaderBlue, VAL_WHITE, szSoftName.c_str(), 300, 32, 18);
    ShowInfoText(0, kHeaderBlue, VAL_WHITE, szSoftVersion.c_str(), 480, 38, 11);
}

void ShowInfoText(int /*unused*/, int backgroundColor, int textColor, const char* text, int left, int top,
                  int pointSize) {
    const int ctrl = NewCtrl(pHandle, CTRL_TEXT_MSG, "", top, left);
    if (ctrl < 0)
        return;
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_FONT, "NIApp");
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_BGCOLOR, backgroundColor);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_COLOR, textColor);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlVal(pHandle, ctrl, text);
}
