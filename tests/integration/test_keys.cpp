// The keys of the main window and the recorder's pop-up: Esc stops what runs
// as the STOP button does, Ctrl+E exports the captures on screen row by row
// and Ctrl+S a picture, each into a file chosen as SEND chooses one.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <sstream>

#include "app_fixture.h"
#include "core/exportfile.h"
#include "platform/files.h"

using namespace kbex_test;
using Keys = ProgramTest;

// As from the keyboard: to whichever control of the panel's window has the focus.
static void Press(int panel, const char* keys) {
    QWidget* w = platform::PanelWidget(panel);
    w->activateWindow();
    QWidget* focus = QApplication::focusWidget();
    QTest::keySequence(focus && focus->window() == w->window() ? focus : w,
                       QKeySequence(QString::fromLatin1(keys)));
}

// Esc ends RUN, and a recording from its pop-up, as STOP's click does:
// everything released, no time-out. Exports wait until nothing runs.
TEST_F(Keys, EscStopsRunAndARecordingAsTheStopButtonDoes) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    Once([&] { return line.Count(core::kCmdRaw) >= 10; },
         [] {
             Press(pHandle, "Ctrl+E");
             EXPECT_EQ(StatusLine(), "Press STOP (Esc) before saving or exporting!");
             Press(pHandle, "Esc");
         });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    EXPECT_EQ(popups.fileSelectCalls, 0);

    recfile_name = TempDir() + "/rec.dat";
    DisplayPanel(pPopUp);
    Once([] { return Val<int>(pPopUp, POPUP_NUMRecCount) >= 3; }, [] { Press(pPopUp, "Esc"); });
    StartRecording(0, 60000);
    EXPECT_EQ(std::pair(Held(), StatusLine()), std::pair(std::vector<int>(6, 0), std::string("Line Ok!")));
}

// One header row, then 128 rows a capture with exactly what the buffers
// hold; an existing file only with the operator's yes; a write that fails
// says so and leaves nothing behind.
TEST_F(Keys, CtrlEExportsTheCapturesTakenAndCtrlSAPicture) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    const std::string dir = TempDir(), csv = dir + "/captures.csv";
    fileAnswer = {VAL_NEW_FILE_SELECTED, csv};
    const auto exported = [&] {
        std::filesystem::remove(csv);
        Press(pHandle, "Ctrl+E");
        std::ostringstream want;
        want << "capture,index,x,channel A,channel B,threshold A,threshold B\r\n";
        for (int i = 0; VideoCaptured() && i < MAXPOINT; ++i)
            want << "VIDEO," << i << ',' << xArray8[i] << ',' << adcbufA[i] << ',' << adcbufB[i] << ','
                 << thdArrayA[i] << ',' << thdArrayB[i] << "\r\n";
        for (int i = 0; DataCaptured() && i < MAXPOINT; ++i)
            want << "DATA," << i << ',' << xArrayMVAL[i] << ',' << mvalBUFA[i] << ',' << mvalBUFB[i]
                 << ",,\r\n";
        // The frame each capture showed counts in the statistics, which follow.
        if (Statistics().Count() > 0)
            want << "\r\n" << core::FormatStatisticsCsv(Statistics());
        return std::pair(StatusLine(), FileText(csv) == want.str());
    };
    // Nothing taken yet (a DATA whose blocks come cut short takes none): no
    // file, not even a header; then each capture as it is taken, the other
    // left out.
    line.sensor.SetFaults({.truncateTo = 100});
    ASSERT_TRUE(Click(pHandle, PANEL_BTNData));
    line.sensor.SetFaults({});
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(StatusLine(), "No VIDEO or DATA capture to export!");
    EXPECT_FALSE(std::filesystem::exists(csv));
    ASSERT_TRUE(Click(pHandle, PANEL_BTNData));
    EXPECT_EQ(exported(), std::pair(std::string("Export-file written!"), true));
    EXPECT_EQ(FileText(csv).find("VIDEO,"), std::string::npos);
    // STOP once the second pass has begun: the first one is whole.
    const auto before = line.Count(core::kCmdRaw);
    Once([&] { return line.Count(core::kCmdRaw) >= before + 2; },
         [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNVideo));
    EXPECT_EQ(exported(), std::pair(std::string("Export-file written!"), true));
    EXPECT_NE(FileText(csv).find("\nVIDEO,127,"), std::string::npos);
    EXPECT_NE(FileText(csv).find("\nDATA,127,"), std::string::npos);
    EXPECT_NE(FileText(csv).find("\r\nbin,from [px],to [px],frames\r\n"), std::string::npos);

    // Statistics without captures: the figures and every frame in a bin.
    ForgetCaptures();
    Once([&] { return Statistics().Count() >= 5; }, [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    ASSERT_TRUE(Click(pHandle, PANEL_BTNRun));
    Press(pHandle, "Ctrl+E");
    const std::string text = FileText(csv);
    EXPECT_TRUE(
        text.starts_with("statistic,value,unit\r\nframes," + std::to_string(Statistics().Count()) + ",\r\n"))
        << text;
    std::uint64_t binned = 0;
    for (std::size_t at = text.find("\r\n0,,"); at != std::string::npos; at = text.find("\r\n", at + 2))
        if (at + 2 < text.size())
            binned += std::stoull(text.substr(text.rfind(',', text.find("\r\n", at + 2)) + 1));
    EXPECT_EQ(binned, Statistics().Count());

    ASSERT_EQ(WriteFileBytes(csv.c_str(), "kept", false), 0);
    fileAnswer = {VAL_EXISTING_FILE_SELECTED, csv};
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(FileText(csv), "kept");
    fileAnswer = {VAL_NEW_FILE_SELECTED, dir + "/main.png"};
    Press(pHandle, "Ctrl+S");
    EXPECT_EQ(FileText(dir + "/main.png").substr(0, 4), "\x89PNG");

    fileAnswer = {VAL_NEW_FILE_SELECTED, dir + "/no-such-folder/c.csv"};
    Press(pHandle, "Ctrl+E");
    EXPECT_EQ(StatusLine(), "Error writing export-file!");
    // captures.csv and main.png, no folder made for the failed write, no file beside
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}
