// The keys of the main window and the recorder's pop-up: Esc stops what runs
// as the STOP button does, Ctrl+E exports the captures on screen row by row
// and Ctrl+S a picture, each into a file chosen as SEND chooses one.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <sstream>

#include "app_fixture.h"
#include "platform/files.h"

using namespace kbex_test;
using Keys = ProgramTest;

namespace {

// As from the keyboard: to whichever control of the panel's window has the focus.
void Press(int panel, const char* keys) {
    QWidget* w = platform::PanelWidget(panel);
    w->activateWindow();
    QWidget* focus = QApplication::focusWidget();
    QTest::keySequence(focus && focus->window() == w->window() ? focus : w,
                       QKeySequence(QString::fromLatin1(keys)));
}

std::vector<int> Dimmed() {
    std::vector<int> v;
    for (int b : {PANEL_BTNRun, PANEL_BTNVideo, PANEL_BTNData, PANEL_ButtonTeach, PANEL_ButtonReset})
        v.push_back(Attr(pHandle, b, ATTR_DIMMED));
    v.push_back(Attr(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED));
    return v;
}

}  // namespace

// Esc ends RUN, and a recording from its pop-up, as STOP's click does:
// everything released, no time-out. Exports wait until nothing runs.
TEST_F(Keys, EscStopsRunAndARecordingAsTheStopButtonDoes) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    for (int b : {PANEL_BTNVideo, PANEL_BTNData, PANEL_ButtonTeach, PANEL_ButtonReset})
        SetCtrlAttribute(pHandle, b, ATTR_DIMMED, 1);
    line.sensor.ClearRequests();
    Once([&] { return line.Count(core::kCmdRaw) >= 10; },
         [] {
             Press(pHandle, "Ctrl+E");
             EXPECT_EQ(StatusLine(), "Press STOP (Esc) before saving or exporting!");
             Press(pHandle, "Esc");
         });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_EQ(Dimmed(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(popups.fileSelectCalls, 0);

    recfile_name = TempDir() + "/rec.dat";
    ASSERT_TRUE(Type(pPopUp, POPUP_NEDITRecTime, 0));
    ASSERT_TRUE(Type(pPopUp, POPUP_NEDITRecSamples, 60000));
    DisplayPanel(pPopUp);
    Once([] { return Val<int>(pPopUp, POPUP_NUMRecCount) >= 3; }, [] { Press(pPopUp, "Esc"); });
    ASSERT_TRUE(Click(pPopUp, POPUP_BTNStartRecord));
    EXPECT_EQ(Dimmed(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(StatusLine(), "Line Ok!");
    EXPECT_GE(Val<int>(pPopUp, POPUP_NUMRecCount), 3);
}

// One header row, then 128 rows a capture with exactly what the buffers
// hold; an existing file only with the operator's yes; a write that fails
// says so and leaves nothing behind.
TEST_F(Keys, CtrlEExportsTheCapturesAndCtrlSAPicture) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    ASSERT_TRUE(Click(pHandle, PANEL_BTNData));
    Once([&] { return line.Count(core::kCmdRaw) >= 2; }, [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNVideo));
    const std::string dir = TempDir(), csv = dir + "/captures.csv";
    fileAnswer = {VAL_NEW_FILE_SELECTED, csv};
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(StatusLine(), "Export-file written!");

    std::istringstream rows(FileText(csv));
    std::string row;
    ASSERT_TRUE(std::getline(rows, row));
    EXPECT_EQ(row, "capture,index,x,channel A,channel B,threshold A,threshold B\r");
    int n = 0;
    for (; std::getline(rows, row); ++n) {
        const int i = n % MAXPOINT;
        const bool video = n < MAXPOINT;
        std::ostringstream want;
        if (video)
            want << "VIDEO," << i << ',' << xArray8[i] << ',' << adcbufA[i] << ',' << adcbufB[i] << ','
                 << thdArrayA[i] << ',' << thdArrayB[i] << '\r';
        else
            want << "DATA," << i << ',' << xArrayMVAL[i] << ',' << mvalBUFA[i] << ',' << mvalBUFB[i]
                 << ",,\r";
        ASSERT_EQ(row, want.str()) << "row " << n;
    }
    EXPECT_EQ(n, 2 * MAXPOINT);

    ASSERT_EQ(WriteFileBytes(csv.c_str(), "kept", false), 0);
    fileAnswer = {VAL_EXISTING_FILE_SELECTED, csv};
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(FileText(csv), "kept");
    confirmYes = true;
    const std::string png = dir + "/main.png";
    fileAnswer = {VAL_NEW_FILE_SELECTED, png};
    Press(pHandle, "Ctrl+S");
    EXPECT_EQ(FileText(png).substr(0, 4), "\x89PNG");

    fileAnswer = {VAL_NEW_FILE_SELECTED, dir + "/no-such-folder/c.csv"};
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(StatusLine(), "Error writing export-file!");
    EXPECT_FALSE(std::filesystem::exists(dir + "/no-such-folder"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);  // captures.csv, main.png
}
