// Main module: the compare view. The 45 words of the parameter set as the
// panels hold them, as the sensor's RAM and EEPROM hold them and as a
// parameter file holds them, side by side; each column fetched on request.
// A look only: no fetch for the view changes the panels, `parameter`, the
// file name of GET and SEND, or the sensor.
#include <string>

#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/compare.h"
#include "core/paramfile.h"
#include "gui.h"
#include "platform/files.h"
#include "platform/panels.h"

namespace {

enum Column { kPanels, kRam, kEeprom, kFile, kColumns };
constexpr int kFirstValueColumn = 2;  // after the entry name and its page/word
constexpr int kDiffer = 0xFFC0C0;     // a light red that the black figures stay readable on
constexpr const char* kMarker = " \u2260";

struct ColumnState {
    bool fetched = false;
    core::SetWords words{};
};
ColumnState columns[kColumns];

constexpr int kCountText[kColumns] = {COMPARE_TXTDiffPanels, COMPARE_TXTDiffRam, COMPARE_TXTDiffEeprom,
                                      COMPARE_TXTDiffFile};
constexpr const char* kColumnName[kColumns] = {"Panels", "RAM", "EEPROM", "File"};

void Say(const std::string& text) {
    SetCtrlVal(pCompare, COMPARE_TXTStatus, text);
}

// Words of a column that differ from the panels are marked by colour and by
// a sign a screen reader reads out; the panels column is the reference.
void ShowColumn(int column) {
    const ColumnState& c = columns[column];
    const bool compared = c.fetched && column != kPanels && columns[kPanels].fetched;
    std::size_t differ = 0;
    for (std::size_t k = 0; k < core::kSetWords; ++k) {
        const int row = static_cast<int>(k);
        const bool marked = compared && c.words[k] != columns[kPanels].words[k];
        differ += marked ? 1 : 0;
        std::string text = c.fetched ? std::to_string(c.words[k]) : "-";
        if (marked)
            text += kMarker;
        SetTableCellVal(pCompare, COMPARE_TABLEWords, row, kFirstValueColumn + column, text.c_str());
        SetTableCellAttribute(pCompare, COMPARE_TABLEWords, row, kFirstValueColumn + column,
                              ATTR_TEXT_BGCOLOR, marked ? kDiffer : VAL_WHITE);
    }
    std::string count = !c.fetched          ? "not fetched"
                        : column == kPanels ? "reference"
                        : compared          ? std::to_string(differ) + " differ"
                                            : "-";
    SetCtrlVal(pCompare, kCountText[column], count);
}

void ShowColumns() {
    for (int column = 0; column < kColumns; ++column)
        ShowColumn(column);
}

// What GetPanelValues would send, read without touching `parameter` or the
// threshold lines drawn from it.
void FetchPanels() {
    std::uint16_t set[core::kParamCount];
    std::copy(std::begin(parameter), std::end(parameter), set);
    ReadPanelValues(set);
    columns[kPanels] = {true, core::SetWordsOf(set)};
    Say("Panels read.");
}

void FetchSensor(int column) {
    TransferScope transfer;
    LineOperation operation;
    std::uint16_t set[core::kParamCount];
    const Outcome outcome = ReadParameterPages(column == kRam ? 1 : 2, set);
    const std::string name = kColumnName[column];
    // Only a whole set is shown: pages of a fetch that stopped half-way
    // would stand beside the panels as if the sensor held them.
    columns[column].fetched = outcome == Outcome::Answered;
    if (outcome == Outcome::Answered) {
        columns[column].words = core::SetWordsOf(set);
        Say("Sensor " + name + " read.");
    } else if (const char* text = MissedText(outcome, "Timeout-RS-232...")) {
        Say(name + " not fetched: " + text);
    } else {
        Say(name +
            (outcome == Outcome::LineLost ? " not fetched: RS232-Line lost!" : " not fetched: stopped."));
    }
}

void FetchFile() {
    // A path of its own: the file of GET and SEND stays what it was.
    char path[260] = "";
    if (FileSelectPopup(proj_dir.c_str(), "KBEXpara.cfg", "*.cfg", "K-BEX-MS-Series-Parameter-File",
                        VAL_LOAD_BUTTON, 0, 1, 1, 1, path) <= 0)
        return;
    std::string text;
    core::ParamFileValues values{};
    if (ReadFileBytes(path, text) != 0 || !core::ParseParamFile(text, values)) {
        columns[kFile].fetched = false;
        Say(std::string("File not fetched: error reading ") + path);
        return;
    }
    columns[kFile].fetched = true;
    // A page word carries the low 16 bits of a line, as GET from the file takes it.
    for (std::size_t k = 0; k < core::kSetWords; ++k)
        columns[kFile].words[k] = static_cast<std::uint16_t>(values[k] & 0xFFFF);
    Say(std::string("File read: ") + path);
}

void ShowNames() {
    SetNumTableRows(pCompare, COMPARE_TABLEWords, static_cast<int>(core::kSetWords));
    for (std::size_t k = 0; k < core::kSetWords; ++k) {
        const int row = static_cast<int>(k);
        const std::string where =
            std::to_string(k / core::kPageWords) + "/" + std::to_string(k % core::kPageWords);
        SetTableCellVal(pCompare, COMPARE_TABLEWords, row, 0, core::SetWordName(k).c_str());
        SetTableCellVal(pCompare, COMPARE_TABLEWords, row, 1, where.c_str());
    }
}

int ColumnOf(int control) {
    switch (control) {
    case COMPARE_BTNFetchRam: return kRam;
    case COMPARE_BTNFetchEeprom: return kEeprom;
    case COMPARE_BTNFetchFile: return kFile;
    default: return kPanels;
    }
}

}  // namespace

void ResetCompareView() {
    for (ColumnState& c : columns)
        c = {};
    if (pCompare <= 0)
        return;
    ShowNames();
    ShowColumns();
    Say("");
}

int CC_COMPARE(int, int event, void*, int, int) {
    if (event == EVENT_CLOSE)
        HidePanel(pCompare);
    return 0;
}

int CC_BTNCompare(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) {
        HelpBeside(
            PANEL_HelpText1, control, true, 20, -25,
            "COMPARE-BUTTON:\nShow the parameter-frames of the\npanels, the sensor's RAM and\nEEPROM and "
            "a file side by side.");
    } else if (event == EVENT_COMMIT) {
        // The panels are the reference of every mark, and reading them
        // costs the line nothing: they are read as the view opens.
        FetchPanels();
        ShowColumns();
        DisplayPanel(pCompare);
    }
    return 0;
}

int CC_BTNFetchColumn(int, int control, int event, void*, int, int) {
    const int column = ColumnOf(control);
    if (event == EVENT_RIGHT_CLICK) {
        static constexpr const char* kHelp[kColumns] = {
            "PANELS: read the parameter panels again (nothing is changed).",
            "RAM: read the three parameter-frames from the sensor's RAM.",
            "EEPROM: read the three parameter-frames from the sensor's EEPROM.",
            "FILE: read the words of a parameter file (*.cfg)."};
        PopupHelp(pCompare, COMPARE_TXTStatus, kHelp[column]);
        return 0;
    }
    if (event != EVENT_COMMIT)
        return 0;
    if (column == kPanels) {
        FetchPanels();
    } else if (LineBusy() || OperationRunning()) {
        // RUN, VIDEO, a recording or a transfer has the line (or, for the
        // file, the window): a fetch now would run inside it.
        Say(std::string(kColumnName[column]) + " not fetched: stop RUN, VIDEO or the transfer first.");
        return 0;
    } else if (column == kFile) {
        FetchFile();
    } else {
        FetchSensor(column);
    }
    ShowColumns();
    return 0;
}
