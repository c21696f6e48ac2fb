// The parameter file: the three pages of the parameter set as text.
#include "K-BEX-TW-MS-DiredI304.h"
#include "com232.h"
#include "core/frame.h"
#include "core/paramfile.h"
#include "gui.h"
#include "platform/files.h"
#include "platform/panels.h"

void SendParaToFile() {
    GetPanelValues();
    core::ParamFileValues values{};
    for (std::uint16_t page = 0; page < 3; ++page) {
        CopyVarsToPP(page);
        for (std::size_t w = 0; w < core::kPageWords; ++w)
            values[page * core::kPageWords + w] = pp[w];
    }
    // Each outcome is the operation's own: an error text of an earlier attempt
    // must not stand on the status line over a save that worked.
    SetStatus(ReplaceFileBytes(file_name, core::FormatParamFile(values)) == 0
                  ? "Parameter-file written!"
                  : "Error writing parameter-file!");
    ShowStatus();
}

int ReadParaFromFile() {
    if (FileSelectPopup(proj_dir.c_str(), "KBEXpara.cfg", "*.cfg", "K-BEX-MS-Series-Parameter-File",
                        VAL_LOAD_BUTTON, 0, 1, 1, 1, file_name) <= 0)
        return 0;
    std::string text;
    core::ParamFileValues values{};
    if (ReadFileBytes(file_name, text) != 0 || !core::ParseParamFile(text, values)) {
        SetStatus("Error reading parameter-file!");
        ShowStatus();
        return 0;
    }
    TakeFileValues(values);
    SetStatus("Parameter-file loaded!");
    return 1;
}
