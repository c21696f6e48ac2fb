// Registry of loaded panels and their controls, shared by the panel loader and
// the control operations. Internal to the platform layer.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "platform/panels.h"

class QLabel;

namespace platform {

struct ControlInfo {
    QPointer<QWidget> widget;
    CtrlKind kind = CtrlKind::TextMsg;
    QPointer<QLabel> buddy;  // the label that names it; follows its visibility and dimming
    CtrlCallbackPtr callback = nullptr;
    ListOpenCallbackPtr listOpen = nullptr;  // rings only
    std::string constant;
};

struct PanelInfo {
    QPointer<QWidget> widget;
    int resource = 0;
    int parent = 0;
    PanelCallbackPtr callback = nullptr;
    std::map<int, ControlInfo> controls;
};

std::map<int, PanelInfo>& Panels();
PanelInfo* FindPanel(int panel);
ControlInfo* FindControl(int panel, int control);

// Error codes of the panel and control operations.
enum {
    kUiNoError = 0,
    kUiPanelNotFound = -42,
    kUiControlNotFound = -43,
    kUiInvalidAttribute = -45,
    kUiInvalidValue = -55,
    kUiWrongKind = -46,
    kUiFileNotFound = -12,
    kUiResourceError = -10,
};

// A bare file name of the program's (resource, images) is looked up in the
// program's directory, not wherever it was started from.
QString ResolveResourcePath(const char* fileName);

// True with KBEX_ACCESSIBLE_IDS=1 in the environment: every control's
// accessible description is its name (PANEL_BTNRun), an automation id,
// instead of its help text.
bool AccessibleIds();

// Runs a control's callback, if it has one.
void FireControl(int panel, int control, int event, int data1 = 0, int data2 = 0);

// A display (text message, text box, read-only numeric) is read out as what
// it shows, or by its caption while it shows nothing. Called whenever the
// program changes what a control shows.
void ReadOut(QWidget* w);

}  // namespace platform
