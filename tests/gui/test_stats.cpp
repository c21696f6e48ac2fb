// The statistics window as the operator reads it: frames drawn through the
// live display count, judged as their colour was (limits included); figures
// that do not exist show "-"; the histogram with its limit and target lines;
// Clear; closing keeps the figures.

#include <QAbstractSpinBox>

#include "app_fixture.h"

using namespace kbex_test;
using namespace core;
using StatsWindow = ProgramTest;

namespace {

// Channel A alone, target 1000, tolerance 20 up and 10 down: 990..1020.
void Show(std::uint16_t px) {
    std::tie(parameter[kEvalMode], parameter[kHardwareMode], parameter[kTeachA], parameter[kTolUpPix],
             parameter[kTolLoPix]) = std::tuple(1, 0, 1000, 20, 10);
    ccdvirtpixel = 2048;
    Mvalue = px;
    umValue = 5000 + (px - 1000);
    PlotVIDEOBarGraph();
}

std::string Shown(int control) {
    return qobject_cast<QAbstractSpinBox*>(platform::CtrlWidget(pStats, control))->text().toStdString();
}

}  // namespace

TEST_F(StatsWindow, FramesShownCountAsTheirColourJudgedThemClearRestartsAndClosingKeepsTheFigures) {
    ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Stats));
    Show(1000);
    Pump(0.5);  // the window shows the figures five times a second
    EXPECT_EQ(
        std::tuple(Shown(STATS_NUMCount), Shown(STATS_NUMMean), Shown(STATS_NUMStdDev), Shown(STATS_NUMCp)),
        std::tuple("1", "5.0000", "-", "-"));

    // On each limit within (green), one pixel beyond out (red).
    for (std::uint16_t px : {990, 1020, 989, 1021, 1006}) {
        Show(px);
        EXPECT_EQ(Attr(pHandle, PANEL_NUMMvalue, ATTR_TEXT_BGCOLOR),
                  px >= 990 && px <= 1020 ? VAL_DK_GREEN : VAL_RED);
    }
    Pump(0.5);  // the last frames came faster than the window refreshes
    EXPECT_EQ(
        (std::vector{Shown(STATS_NUMCount), Shown(STATS_NUMMean), Shown(STATS_NUMStdDev), Shown(STATS_NUMMin),
                     Shown(STATS_NUMMax), Shown(STATS_NUMInTol), Shown(STATS_NUMCp), Shown(STATS_NUMCpk)}),
        (std::vector<std::string>{"6", "5.0043", "0.0140", "4.989", "5.021", "66.67", "0.36", "0.34"}));

    // Bars add up to every frame; those between the limit lines are the
    // frames within, green; the lines stand on the limits' outer edges.
    const platform::GraphModel& h = *platform::GetGraphModel(pStats, STATS_GRAPHHistogram);
    double all = 0, within = 0;
    std::vector<std::pair<std::string, double>> lines;
    for (const platform::PlotItem& p : h.plots) {
        if (p.kind == platform::PlotItem::Kind::XY) {
            lines.emplace_back(p.legend, p.x[0]);
            continue;
        }
        all += p.y2;
        if (p.x1 >= 989.5 && p.x2 <= 1020.5 && p.fillColor != VAL_RED) {
            EXPECT_EQ(p.frameColor, VAL_DK_GREEN);
            within += p.y2;
        }
    }
    EXPECT_NEAR(all, 100.0, 1e-9);
    EXPECT_NEAR(within, 400.0 / 6, 1e-9);
    EXPECT_EQ(lines, (std::vector<std::pair<std::string, double>>{
                         {"lower limit", 989.5}, {"target", 1000}, {"upper limit", 1020.5}}));
    EXPECT_EQ(std::pair(h.xName, h.yName),
              std::pair(std::string("value [px]"), std::string("share of frames [%]")));
    EXPECT_TRUE(SavePanelImage(pStats, "statistics.png"));

    // Closed, the window keeps its figures and still counts; opened, it shows them.
    QWidget* window = platform::PanelWidget(pStats)->window();
    window->close();
    Pump(0.02);
    EXPECT_EQ(Val<int>(pHandle, PANEL_TOGGBTN_Stats), 0);
    Show(1000);
    ASSERT_TRUE(Click(pHandle, PANEL_TOGGBTN_Stats));
    EXPECT_EQ(Shown(STATS_NUMCount), "7");

    ASSERT_TRUE(Click(pStats, STATS_BTNClear));
    EXPECT_EQ(std::tuple(Shown(STATS_NUMCount), Shown(STATS_NUMMean), Shown(STATS_NUMInTol)),
              std::tuple("0", "-", "-"));
    EXPECT_TRUE(platform::GetGraphModel(pStats, STATS_GRAPHHistogram)->plots.empty());
}
