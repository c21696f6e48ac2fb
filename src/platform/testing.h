// What the tests reach beyond the program's own operations: the model behind
// each graph, the seam that answers the pop-ups instead of a person, and the
// widgets behind panel handles and control ids. The program never needs any
// of it, so only the platform layer and the tests may include this header.
#pragma once

#ifndef KBEX_PLATFORM_INTERNAL
#error "platform-internal header: only the platform layer and its tests may include it"
#endif

#include <functional>
#include <string>

#include "platform/graph_model.h"
#include "platform/panels.h"

class QWidget;

// The one seam through which tests answer the pop-ups instead of a person.
struct PopupSeam {
    std::function<int(const std::string& title, const std::string& message)> confirm;
    std::function<int(const std::string& directory, const std::string& defaultName, const std::string& filter,
                      const std::string& title, std::string& path)>
        fileSelect;
    int confirmCalls = 0;
    int fileSelectCalls = 0;
    std::string lastConfirmTitle, lastConfirmMessage, lastFileSelectTitle;
};
// nullptr restores the real dialogs.
void SetPopupSeam(PopupSeam* seam);

namespace platform {

// The model of a graph or strip chart, or nullptr.
const GraphModel* GetGraphModel(int panel, int control);

// The widgets behind handles, for GUI tests and screenshots.
QWidget* PanelWidget(int panel);
QWidget* CtrlWidget(int panel, int control);

}  // namespace platform
