#include "uir.h"

namespace {

#define KBEX_STR_(x) #x
#define KBEX_STR(x) KBEX_STR_(x)
#define KBEX_CB(cb) (sizeof(KBEX_STR(cb)) > 1 ? KBEX_STR(cb) : nullptr)

#define KBEX_PANEL_ROW(p, n, cb) {n, #p, KBEX_CB(cb)},
constexpr platform::PanelDef kPanels[] = {KBEX_PANELS(KBEX_PANEL_ROW)};

#define KBEX_CTRL_ROW(p, c, id, kind, cb) {p, id, #p "_" #c, #c, platform::CtrlKind::kind, KBEX_CB(cb)},
constexpr platform::CtrlDef kControls[] = {KBEX_CONTROLS(KBEX_CTRL_ROW)};

}  // namespace

std::span<const platform::PanelDef> UirPanels() {
    return kPanels;
}
std::span<const platform::CtrlDef> UirControls() {
    return kControls;
}
