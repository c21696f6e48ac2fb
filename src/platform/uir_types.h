// Plain descriptions of a panel resource: which panels it holds, which named
// controls each panel must carry and of which kind. The application owns the
// tables (one place for names, ids and kinds); the panel loader checks every
// loaded panel against them, so the code and the resource cannot drift apart.
#pragma once

namespace platform {

enum class CtrlKind {
    CommandButton,  // QPushButton
    ToggleButton,   // checkable QPushButton
    RadioButton,    // QRadioButton, not auto-exclusive (callbacks group them)
    Ring,           // QComboBox; item value = item data, else the item index
    Numeric,        // QSpinBox (integer value, may be read-only as a display)
    NumericDouble,  // QDoubleSpinBox (floating value)
    Slide,          // SlideControl (slider with its digital readout)
    BinarySwitch,   // QCheckBox, value 0/1
    TextMsg,        // QLabel
    TextBox,        // QPlainTextEdit, line oriented
    Graph,          // GraphControl
    StripChart,     // StripChartControl
    Decoration,     // QFrame
    Picture,        // QLabel showing an image
    Table,          // QTableWidget of read-only text cells
};

struct PanelDef {
    int resourceNumber;    // number passed to LoadPanel
    const char* name;      // object name of the top-level widget, and the .ui file name
    const char* callback;  // name of the bound panel callback, or nullptr
};

struct CtrlDef {
    int panelResource;       // resource number of the panel carrying it
    int id;                  // control constant used by the code
    const char* constant;    // full constant name, e.g. "PANEL_BTNRun"
    const char* objectName;  // widget object name inside the panel, e.g. "BTNRun"
    CtrlKind kind;
    const char* callback;  // name of the bound callback, or nullptr
};

const char* CtrlKindName(CtrlKind kind);

}  // namespace platform
