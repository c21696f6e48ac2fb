// The data recorder and the linearisation upload against the simulated
// sensor pair: the files they write and read, byte for byte, what goes over
// the line, and how a silent sensor or a file that cannot be written ends them.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "app_fixture.h"
#include "core/linfile.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "popup.h"

using namespace kbex_test;
using Recorder = ProgramTest;
using Upload = ProgramTest;

// The numbers of a recorder file after its header, set-point first, one per
// whole line: a record cut short by a failed write is not one.
static std::vector<std::uint32_t> Numbers(const std::string& path) {
    const std::string text = FileText(path);
    std::vector<std::uint32_t> n;
    for (std::size_t at = text.find("m]: ") + 4, end = 0; (end = text.find("\r\n", at)) != std::string::npos;
         at = end + 2)
        n.push_back(static_cast<std::uint32_t>(std::stoul(text.substr(at, end - at))));
    return n;
}
static std::size_t Records(const std::string& path) {
    return (Numbers(path).size() - 1) / 6;
}

static std::uint16_t RecCount() {
    return Val<unsigned short>(pPopUp, POPUP_NUMRecCount);
}

// Waits until the simulated sensor has seen the last request: the count is
// exact once the line has fallen quiet.
static std::size_t RawRequestsWhenQuiet(SimLine& line) {
    std::size_t n = 0;
    while (PumpUntil([&] { return line.Count(core::kCmdRaw) != n; }, 0.2))
        n = line.Count(core::kCmdRaw);
    return n;
}

// Interval 0: one record per raw frame, the last one the values on screen.
// An existing file is replaced only with the operator's yes; record count 0
// writes the header alone.
TEST_F(Recorder, WritesTheHeaderThenOneRecordPerRawFrameIntoAFileReplacedOnlyWhenTheOperatorSaysSo) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    recfile_name = TempDir() + "/KBexRecord.dat";
    ASSERT_EQ(WriteFileBytes(recfile_name.c_str(), "an earlier recording", false), 0);
    core::Put32(parameter, core::kSetpointA, 123456);
    line.sensor.ClearRequests();
    StartRecording(0, 25);  // answered no
    EXPECT_EQ(std::tuple(FileText(recfile_name), popups.lastConfirmTitle, popups.lastConfirmMessage),
              std::tuple("an earlier recording", "ATTENTION!", "Output-File already exist! - Overwrite ?"));
    EXPECT_EQ(Values(line.Count(core::kCmdRaw), Attr(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED)),
              Values(0, 0));

    PlotVIDEOBarGraph();  // a frame shown before the recording is none of its own
    confirmYes = true;
    StartRecording(0, 25);
    EXPECT_EQ(FileText(recfile_name).substr(0, 11), DateStr() + " ");
    EXPECT_EQ(FileText(recfile_name).substr(19, 73),
              "  K-BEX-RECORDER-FILE: Time-Interval[s]: 0\r\nSETPOINT-VALUE [\xB5m]: 123456\r\n");
    const std::vector<std::uint32_t> n = Numbers(recfile_name);
    ASSERT_EQ(n.size(), 1 + 25 * 6u);
    EXPECT_EQ(std::vector<std::uint32_t>(n.end() - 6, n.end()),
              (std::vector<std::uint32_t>{Aval, Bval, Mvalue, static_cast<std::uint32_t>(umValue), edcntA,
                                          edcntB}));
    // The request of the last pass goes out before the count ends the loop.
    EXPECT_EQ(RawRequestsWhenQuiet(line), 26u);
    EXPECT_EQ(Statistics().Count(), 25u);  // each frame the recording showed, from its start
    EXPECT_EQ(std::tuple(RecCount(), Val<std::string>(pPopUp, POPUP_TXTRecStatus), popups.confirmCalls),
              std::tuple(25, "DATA-RECORDER", 2));
    // Ending by itself releases RUN, DATA and START; VIDEO and TEACH wait for a STOP.
    EXPECT_EQ(
        Values(Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED), Attr(pHandle, PANEL_BTNData, ATTR_DIMMED),
               Attr(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED), Attr(pHandle, PANEL_BTNVideo, ATTR_DIMMED),
               Attr(pHandle, PANEL_ButtonTeach, ATTR_DIMMED),
               Attr(pPopUp, POPUP_TXTRecStatus, ATTR_TEXT_BGCOLOR)),
        Values(0, 0, 0, 1, 1, VAL_LT_GRAY));

    // A file just confirmed in the chooser is not asked about again.
    ASSERT_TRUE(ClickChoosing(pPopUp, POPUP_RecordFileNameBtn, VAL_EXISTING_FILE_SELECTED, recfile_name));
    line.sensor.ClearRequests();
    StartRecording(0, 0);
    EXPECT_EQ(popups.confirmCalls, 3);  // the chooser's question only
    EXPECT_TRUE(FileText(recfile_name).ends_with("SETPOINT-VALUE [\xB5m]: 123456\r\n"));
    EXPECT_EQ(RawRequestsWhenQuiet(line), 1u);
}

// Interval 1 s: records only as whole seconds pass, while every frame is
// shown. STOP-RECORD ends it and releases every button.
TEST_F(Recorder, AnIntervalOfOneSecondRecordsAsWholeSecondsPassUntilStopRecord) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    recfile_name = TempDir() + "/rec.dat";
    SetCtrlAttribute(pHandle, PANEL_ButtonReset, ATTR_DIMMED, 1);
    std::vector<double> during;
    Once([] { return RecCount() >= 2; },
         [&] {
             during = Values(
                 Attr(pPopUp, POPUP_TXTRecStatus, ATTR_TEXT_BGCOLOR),
                 Attr(pHandle, PANEL_BTNData, ATTR_DIMMED), Attr(pPopUp, POPUP_TXTRecStatus, ATTR_TEXT_COLOR),
                 Attr(pHandle, PANEL_BTNRun, ATTR_DIMMED), Attr(pHandle, PANEL_STRIPRaw, ATTR_VISIBLE));
             EXPECT_EQ(Val<std::string>(pPopUp, POPUP_TXTRecStatus), "DATA-RECORDER active ...");
             EXPECT_TRUE(Click(pPopUp, POPUP_BTNStopRecord));
         });
    StartRecording(1, 1000);
    EXPECT_EQ(during, Values(VAL_RED, 1, VAL_WHITE, 1, 1));
    EXPECT_EQ(Records(recfile_name), RecCount());
    EXPECT_TRUE(RecCount() >= 2 && RecCount() <= 3) << RecCount();
    EXPECT_NE(FileText(recfile_name).find("Time-Interval[s]: 1\r\n"), std::string::npos);
    EXPECT_GT(line.Count(core::kCmdRaw), 20u * RecCount());
    for (int b : {PANEL_BTNRun, PANEL_BTNVideo, PANEL_ButtonTeach, PANEL_ButtonReset})
        EXPECT_EQ(Attr(pHandle, b, ATTR_DIMMED), 0) << b;
}

// A sensor that falls silent ends the recording within the reply time-out,
// keeping the records written.
TEST_F(Recorder, ASilentSensorEndsItWithinTheTimeOutKeepingTheRecords) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    recfile_name = TempDir() + "/silent.dat";
    double muted = 0;
    Once([] { return RecCount() >= 5; },
         [&] {
             line.sensor.SetFaults({.mute = true});
             muted = Timer();
         });
    StartRecording(0, 60000);
    EXPECT_LT(Timer() - muted, TIMEOUT + 0.5);
    EXPECT_EQ(StatusLine(), "Timeout RS232-Line!");
    EXPECT_EQ(Records(recfile_name), RecCount());
}

// A full device, a file removed under the recording or a folder that is not
// there end it with the error text, on the status line and in the recorder's
// window, every button it held released; the count shows only the records in
// the file, and a removed file is not created again headless.
TEST_F(Recorder, AFileThatCannotBeWrittenEndsItSayingSoAndReleasesItsButtons) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    const std::string dir = TempDir();
    auto expectEnded = [] {
        EXPECT_EQ(std::pair(StatusLine(), Val<std::string>(pPopUp, POPUP_TXTRecStatus)),
                  std::pair(std::string("Error writing recorder-file!"),
                            std::string("Error writing recorder-file!")));
        for (int b : {PANEL_BTNRun, PANEL_BTNVideo, PANEL_ButtonTeach, PANEL_BTNData})
            EXPECT_EQ(Attr(pHandle, b, ATTR_DIMMED), 0) << b;
        EXPECT_EQ(Attr(pPopUp, POPUP_BTNStartRecord, ATTR_DIMMED), 0);
    };
    recfile_name = dir + "/full.dat";
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 400;  // the header and a few records
    setrlimit(RLIMIT_FSIZE, &small);
    StartRecording(0, 60000);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    expectEnded();
    EXPECT_GE(RecCount(), 5);
    EXPECT_EQ(Records(recfile_name), RecCount());

    recfile_name = dir + "/removed.dat";
    Once([] { return RecCount() >= 3; }, [] { std::filesystem::remove(recfile_name); });
    StartRecording(0, 60000);
    expectEnded();
    EXPECT_FALSE(FileExists(recfile_name.c_str()));

    recfile_name = dir + "/no-such-folder/rec.dat";
    RawRequestsWhenQuiet(line);
    line.sensor.ClearRequests();
    StartRecording(0, 10);
    expectEnded();
    EXPECT_EQ(std::pair(RecCount(), RawRequestsWhenQuiet(line)), std::pair(std::uint16_t{0}, std::size_t{0}));
}

// A damaged table sends nothing and says so; a cancelled choice is silent;
// either way the button hides. A good one goes out as file value + 32767 in
// 256 blocks, page 2 offset 0 to page 9 offset 248, after one clear; the
// master's graph shows the progress and turns grey, and only the master's
// button hides.
TEST_F(Upload, RefusesADamagedTableAndWritesAGoodOneInItsBlocks) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    const std::string dir = TempDir(), damaged = dir + "/short.dat";
    std::string text;
    for (int i = 0; i < 2047; ++i)
        text += "0\r\n";
    ASSERT_EQ(WriteFileBytes(damaged.c_str(), text, false), 0);
    std::fill(std::begin(linArray), std::end(linArray), 7);
    line.sensor.ClearRequests();
    for (auto [answer, status] : {std::pair{VAL_EXISTING_FILE_SELECTED, "Error reading linearisation-file!"},
                                  {VAL_NO_FILE_SELECTED, "before"}}) {
        ShowStatusText("before");
        SetCtrlAttribute(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE, 1);
        ASSERT_TRUE(ClickChoosing(pCalib, CALIB_BTNWriteXFSL, answer, damaged));
        EXPECT_EQ(StatusLine(), status);
        EXPECT_EQ(Attr(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE), 0);
    }
    Pump(0.05);
    EXPECT_TRUE(line.Commands().empty());
    EXPECT_EQ(linArray[0], 7);

    const std::string path = dir + "/XF-LINEAR.DAT";
    core::LinFileValues values{};
    text.clear();
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<std::int16_t>(i == 1 ? -32767 : int(i) * 32 - 32768);
        text += std::to_string(values[i]) + (i % 2 ? "\r\n" : "\n");
    }
    ASSERT_EQ(WriteFileBytes(path.c_str(), text, false), 0);
    SimLine other;
    SetPortTable({{line.sensor.Path(), "first"}, {other.sensor.Path(), "second"}});
    FillPortSelector();
    for (int b : {CALIB_BTNWriteXFMA, CALIB_BTNWriteXFSL})
        SetCtrlAttribute(pCalib, b, ATTR_VISIBLE, 1);
    // Another port chosen half-way is refused: the rest of the table does not
    // go to another sensor.
    Once([&] { return line.sensor.Requests().size() >= 20; },
         [] { EXPECT_TRUE(Choose(pHandle, PANEL_DropDCom, 2)); });
    ASSERT_TRUE(ClickChoosing(pCalib, CALIB_BTNWriteXFMA, VAL_EXISTING_FILE_SELECTED, path));

    ASSERT_EQ(line.sensor.Requests().size(), 257u);
    EXPECT_EQ(std::tuple(com, Val<int>(pHandle, PANEL_DropDCom), other.Commands().size()),
              std::tuple(1, 1, 0u));
    // Where each block landed shows in the flash: every word differs.
    EXPECT_EQ(line.Commands().front(), core::kCmdClearFlash);
    const auto flash = line.sensor.WithModel([](sim::SensorModel& m) { return m.flash; });
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(flash[i], core::LinTableWord(values[i])) << i;
    EXPECT_EQ(StatusLine(), "X-FLASH Data successfully written!");
    EXPECT_EQ(Rects(Graph(PANEL_GRAPHBarMaster)).back(),
              (Rect{1, 0, double(ccdvirtpixel), 1, VAL_GRAY, VAL_GRAY}));
    EXPECT_EQ(Rects(Graph(PANEL_GRAPHBarMaster))[254], (Rect{1, 0, 2040 - 8, 1, VAL_GREEN, VAL_GREEN}));
    EXPECT_EQ(Range(Graph(PANEL_GRAPHBarMaster).xAxis),
              (std::array<double, 3>{VAL_MANUAL, 1, double(ccdvirtpixel)}));
    EXPECT_EQ(Values(Attr(pCalib, CALIB_BTNWriteXFMA, ATTR_VISIBLE),
                     Attr(pCalib, CALIB_BTNWriteXFSL, ATTR_VISIBLE)),
              Values(0, 1));
}

// A sensor that falls silent at the clear or half-way stops the upload at
// that step with its time-out text; no success and no grey bar, also after
// an upload that did succeed.
TEST_F(Upload, StopsAtTheFirstStepTheSensorDoesNotAcknowledge) {
    SimLine line;
    ASSERT_TRUE(line.Connect());
    std::fill(std::begin(linArray), std::end(linArray), 0);
    ASSERT_EQ(UploadLinTable(linArray, 1), Outcome::Answered);
    for (int answered : {0, 42}) {
        SCOPED_TRACE(answered);
        line.sensor.SetFaults({.mute = answered == 0, .muteAfter = answered});
        line.sensor.ClearRequests();
        EXPECT_EQ(UploadLinTable(linArray, 1), Outcome::TimedOut);
        EXPECT_EQ(line.Commands().size(), answered + 1u);
        EXPECT_EQ(StatusLine(), "Timeout-RS-232...");
        const auto bars = Rects(Graph(PANEL_GRAPHBarMaster));
        const Rect last = answered ? Rect{1, 0, (answered - 1) * 8.0, 1, VAL_GREEN, VAL_GREEN} : Rect{};
        EXPECT_EQ(bars.empty() ? Rect{} : bars.back(), last);
    }
    // STOP ends it at once and says the table is incomplete.
    Once([] { return true; }, [] { EXPECT_TRUE(Click(pHandle, PANEL_BTNStop)); });
    EXPECT_EQ(UploadLinTable(linArray, 1), Outcome::Aborted);
    EXPECT_EQ(StatusLine(), "X-FLASH upload stopped - table incomplete!");
}

// A line that damages every third answer (a byte lost, a noise byte ahead, a
// broken sync word): each is asked for again, the recording goes on, and no
// damaged answer is recorded: the edge counts of every record are the
// sensor's own two and three. A pulled adapter ends the recording at once,
// with every record counted in its file, and the recorder's window says so.
TEST_F(Recorder, RecordsOnlyWholeAnswersOnADamagedLineAndEndsAtOnceWhenTheAdapterIsPulled) {
    SimLine line({.paced = true, .seed = 7});  // the rest of a damaged answer still on its way
    ASSERT_TRUE(line.Connect());
    const std::string dir = TempDir();
    for (const sim::Faults& f : {sim::Faults{.lostByteEvery = 3}, sim::Faults{.noiseByteEvery = 3},
                                 sim::Faults{.badSyncEvery = 3}}) {
        recfile_name = dir + "/damaged.dat";
        DeleteFile(recfile_name.c_str());
        line.sensor.SetFaults(f);
        ResetHealth();
        StartRecording(0, 30);
        const std::vector<std::uint32_t> n = Numbers(recfile_name);
        ASSERT_EQ(n.size(), 1 + 30 * 6u);
        for (std::size_t r = 0; r < 30; ++r)
            ASSERT_EQ(Values(n[1 + 6 * r + 4], n[1 + 6 * r + 5]), Values(2, 3)) << "record " << r;
        EXPECT_GE(Health().resyncs, 5u);
        EXPECT_FALSE(status.Showed("Timeout RS232-Line!") || status.Showed(kLineDisturbedText));
    }
    recfile_name = dir + "/pulled.dat";
    line.sensor.SetFaults({.vanishAfter = 20});
    StartRecording(0, 60000);
    // From the request the device went away at to the end of the recording.
    EXPECT_LT(sim::Now() - line.sensor.Requests().back().time, 1.0);
    EXPECT_EQ(std::tuple(StatusLine(), Val<std::string>(pPopUp, POPUP_TXTRecStatus), Records(recfile_name)),
              std::tuple(std::string(kLineLostText), std::string("Recording ended: RS232-Line lost!"),
                         std::size_t{RecCount()}));
    EXPECT_GE(RecCount(), 15);
}
