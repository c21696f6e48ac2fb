// Panels, controls, graphs, the event loop and pop-ups. The program above this
// layer sees plain handles and ids; the widgets are Qt's, built at run time
// from the Designer files bundled in the panel resource. What only tests may
// reach (graph models, the pop-up seam, the widgets) is in platform/testing.h.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/uir_types.h"

// A graph repaints at most this many times a second however many changes
// come in: above what an eye follows, and a fraction of what a fast line
// could otherwise spend on drawing. Displays that follow every frame keep to it too.
inline constexpr int kMaxScreenRate = 50;

// Callback events.
enum {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_RIGHT_CLICK = 5,
    EVENT_CLOSE = 11,
};

// Control and panel attributes.
enum {
    ATTR_DIMMED = 500,
    ATTR_VISIBLE = 530,
    ATTR_LEFT = 531,
    ATTR_TOP = 532,
    ATTR_WIDTH = 533,
    ATTR_HEIGHT = 534,
    ATTR_FRAME_COLOR = 550,
    ATTR_TEXT_COLOR = 680,
    ATTR_TEXT_FONT = 682,
    ATTR_TEXT_POINT_SIZE = 686,
    ATTR_TEXT_BGCOLOR = 690,
    ATTR_SCROLL_MODE = 1088,
    ATTR_NUM_TRACES = 1170,
    ATTR_POINTS_PER_SCREEN = 1171,
    ATTR_CURSOR_POINT_STYLE = 1201,
    ATTR_TRACE_COLOR = 1230,
    ATTR_TRACE_VISIBLE = 1234,
    // Texts of graphs: the axis titles (SetCtrlAttribute), a plot's and a
    // trace's entry in the legend (SetPlotAttribute, SetTraceAttribute).
    ATTR_XNAME = 1301,
    ATTR_YNAME = 1302,
    ATTR_PLOT_LG_TEXT = 1303,
    ATTR_TRACE_LG_TEXT = 1304,
};

// Axes, scaling modes, styles and the control style of NewCtrl.
enum {
    VAL_XAXIS = 0,
    VAL_LEFT_YAXIS = 1,
    VAL_RIGHT_YAXIS = 2,
    VAL_MANUAL = 0,
    VAL_AUTOSCALE = 1,
    VAL_THIN_LINE = 0,
    VAL_THIN_STEP = 5,
    VAL_SOLID = 0,
    VAL_DASH = 1,
    VAL_SOLID_SQUARE = 13,
    VAL_NO_POINT = 24,
    CTRL_TEXT_MSG = 160,
};

// Colours, 0xRRGGBB.
enum : int {
    VAL_RED = 0xFF0000,
    VAL_DK_GREEN = 0x008000,
    VAL_GREEN = 0x00FF00,
    VAL_BLUE = 0x0000FF,
    VAL_GRAY = 0xA0A0A0,
    VAL_LT_GRAY = 0xE0E0E0,
    VAL_BLACK = 0x000000,
    VAL_WHITE = 0xFFFFFF,
};

using CtrlCallbackPtr = int (*)(int panel, int control, int event, void* callbackData, int eventData1,
                                int eventData2);
using PanelCallbackPtr = int (*)(int panel, int event, void* callbackData, int eventData1, int eventData2);

struct CallbackDef {
    const char* name;
    CtrlCallbackPtr control;  // one of the two is set
    PanelCallbackPtr panel;
};

// --- engine and resource ------------------------------------------------------
// Starts the widget engine (once). Returns 1 on success, 0 when no display
// can be used.
int StartEngine(int& argc, char** argv);
// Names the program to the desktop: its windows belong to the menu entry
// `name`.desktop and take the icon `name` of the installed icon theme.
void SetProgramIdentity(const char* name);
// Declares what a resource file holds and the callbacks its panels may name.
void RegisterResource(const char* fileName, std::span<const platform::PanelDef> panels,
                      std::span<const platform::CtrlDef> controls);
void RegisterCallbacks(std::span<const CallbackDef> callbacks);
// Directory that bare resource and image file names are resolved against
// (the program's own directory unless set).
void SetResourceDir(const std::string& dir);

// --- panels -------------------------------------------------------------------
// Builds panel `resourceNumber` of `fileName`. Returns a handle > 0, or < 0
// when the resource is missing or damaged, the panel is absent, a control of
// the table is missing or of the wrong kind, or a callback name is unknown.
int LoadPanel(int parentPanel, const char* fileName, int resourceNumber);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int SetPanelAttribute(int panel, int attribute, int value);
int GetPanelAttribute(int panel, int attribute, int& value);

// --- controls -----------------------------------------------------------------
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* text);
int SetCtrlVal(int panel, int control, const std::string& text);
int GetCtrlVal(int panel, int control, int& value);
int GetCtrlVal(int panel, int control, unsigned short& value);
int GetCtrlVal(int panel, int control, unsigned int& value);
int GetCtrlVal(int panel, int control, double& value);
int GetCtrlVal(int panel, int control, float& value);
int GetCtrlVal(int panel, int control, std::string& text);
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int& value);
int GetCtrlBoundingRect(int panel, int control, int& top, int& left, int& height, int& width);
// Creates a control at run time; returns its id (> 0) or a negative error.
int NewCtrl(int panel, int style, const char* label, int top, int left);

int ResetTextBox(int panel, int control, const char* text);
int ReplaceTextBoxLine(int panel, int control, int line, const char* text);
int GetTextBoxLine(int panel, int control, int line, std::string& text);
int GetNumTextBoxLines(int panel, int control, int& count);

int ReplaceListItem(int panel, int control, int index, const char* label, int value);
int InsertListItem(int panel, int control, int index, const char* label, int value);
int ClearListCtrl(int panel, int control);
int GetNumListItems(int panel, int control, int& count);
int GetLabelFromIndex(int panel, int control, int index, std::string& label);
// Runs `callback` right before the ring's list drops down (mouse or keyboard),
// so the items can be rebuilt first; opening raises no event of its own.
// nullptr removes it. Returns 0, or < 0 when the control is not a ring.
using ListOpenCallbackPtr = void (*)(int panel, int control);
int SetListOpenCallback(int panel, int control, ListOpenCallbackPtr callback);

// Tables: rows and columns count from 0; the columns and their titles come
// from the resource. A cell shows text and is never edited by the operator;
// its text and background colours (ATTR_TEXT_COLOR, ATTR_TEXT_BGCOLOR) are
// set and read one cell at a time. A table's accessible cells read their text.
int SetNumTableRows(int panel, int control, int rows);
int SetTableCellVal(int panel, int control, int row, int column, const char* text);
int GetTableCellVal(int panel, int control, int row, int column, std::string& text);
int SetTableCellAttribute(int panel, int control, int row, int column, int attribute, int value);
int GetTableCellAttribute(int panel, int control, int row, int column, int attribute, int& value);

int DisplayImageFile(int panel, int control, const char* path);

// A control's help text: its tooltip, and what assistive technology describes
// it with (unless KBEX_ACCESSIBLE_IDS=1 in the environment keeps the control's
// name there, an automation id for tests and UI automation).
int SetCtrlHelp(int panel, int control, const char* text);

// --- keys and pictures ------------------------------------------------------------
// Runs `callback` when `keys` ("Esc", "Ctrl+S") are pressed anywhere in the
// panel's window, whichever of its controls has the focus. Returns 0, or < 0
// for an unknown panel or key.
using ShortcutCallbackPtr = void (*)(int panel);
int SetPanelShortcut(int panel, const char* keys, ShortcutCallbackPtr callback);
// Saves what the panel shows (with its visible children) as a PNG file, in
// place of `path` only once the whole picture is written. 0 or < 0.
int SavePanelPicture(int panel, const char* path);

// --- event loop -----------------------------------------------------------------
int RunUserInterface();
int QuitUserInterface(int exitCode);
// Runs `callback` every `seconds` from event dispatch (the window's loop, or
// the events a running operation lets run while it waits) until StopRepeating
// is called with the id it returns (> 0).
using RepeatCallbackPtr = void (*)();
int StartRepeating(double seconds, RepeatCallbackPtr callback);
void StopRepeating(int id);
// Runs what is pending (callbacks, serial notifications, repaints) and returns.
// When nothing is pending it waits for the next event or a few milliseconds,
// so polling loops built on it cost next to no CPU.
int ProcessSystemEvents();

// --- pop-ups ----------------------------------------------------------------------
enum { VAL_OK_BUTTON = 0, VAL_LOAD_BUTTON = 3 };
enum { VAL_NO_FILE_SELECTED = 0, VAL_EXISTING_FILE_SELECTED = 1, VAL_NEW_FILE_SELECTED = 2 };

int ConfirmPopup(const char* title, const char* message);
// Fills `path` (at least 260 bytes) with the chosen path; returns 0 when
// cancelled, 1 for an existing file, 2 for a new name, negative on error.
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec, const char* fileTypeList,
                    const char* title, int buttonLabel, int restrictDirectory, int restrictExtension,
                    int allowCancel, int allowMakeDirectory, char* path);

// --- graphs and strip charts ---------------------------------------------------------
int PlotXY(int panel, int control, const double* x, const std::uint16_t* y, int count, int plotStyle,
           int pointStyle, int lineStyle, int pointFrequency, int color);
int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int frameColor,
                  int fillColor);
// plotHandle -1 deletes every plot.
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);
int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int SetGraphCursor(int panel, int control, int cursor, double x, double y);
int SetCursorAttribute(int panel, int control, int cursor, int attribute, int value);
int PlotStripChart(int panel, int control, const double* data, int count, int start, int skip);
int SetTraceAttribute(int panel, int control, int trace, int attribute, int value);
// A graph with two or more plots or traces named in the legend shows the legend.
int SetPlotAttribute(int panel, int control, int plotHandle, int attribute, const char* value);
int SetTraceAttribute(int panel, int control, int trace, int attribute, const char* value);
