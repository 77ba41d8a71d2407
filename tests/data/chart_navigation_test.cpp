#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "chart_test_fixture.h"
#include "core/date_time.h"
#include "data/chart_model.h"
#include "data/chart_navigation.h"

namespace tarvo {
namespace {

using testing::chartChannel;
using testing::chartDocument;
using testing::kChartInterval;
using testing::kChartStart;
using testing::ramp;
using testing::screenPlot;

// The part of the view that decides what is shown (press and last points aside).
std::tuple<std::int32_t, std::int32_t, float, float> edges(const ChartView& v) {
    return {v.viewStart, v.viewEnd, v.viewTop, v.viewBottom};
}

// A window over a 100-sample, two-channel document on a 100-pixel plot: the navigation
// events are followed by the redraw the window would run.
class ChartWindow : public ::testing::Test {
  protected:
    ChartWindow()
        : doc(chartDocument({chartChannel(0, ramp(100)), chartChannel(3, ramp(100), -20, 80)},
                            100)) {
        doc.channels[1].values[41] = 23.456f;
        redraw();
    }

    void redraw() {
        if (const auto scene = redrawChart(doc, screenPlot(100, 100), {})) surface.take(*scene);
    }
    void follow(const NavigationOutcome& outcome) {
        if (outcome.redraw) redraw();
    }
    void setView(std::int32_t start, std::int32_t end, float top, float bottom) {
        doc.view.viewStart = start;
        doc.view.viewEnd = end;
        doc.view.viewTop = top;
        doc.view.viewBottom = bottom;
        redraw();
    }
    void setMode(MouseMode mode) { pressModeButton(doc, surface, static_cast<int>(mode)); }

    HistoryDocument doc;
    ChartSurface surface;
};

TEST_F(ChartWindow, ModeButtonsSetTheModeAndPointerAndButtonThreeOpensThePreciseZoom) {
    struct Case {
        int index;
        std::int32_t mode;
        MousePointer pointer;
    };
    const Case cases[] = {
        {1, 1, MousePointer::OpenHand}, {2, 2, MousePointer::Magnifier},
        {4, 4, MousePointer::Cross},    {5, 5, MousePointer::Cross},
        {0, 0, MousePointer::Cross},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(pressModeButton(doc, surface, c.index).openPreciseZoom);
        EXPECT_EQ(doc.view.mouseMode, c.mode);
        EXPECT_EQ(surface.pointer, c.pointer);
    }
    setMode(MouseMode::Zoom);
    EXPECT_TRUE(pressModeButton(doc, surface, kPreciseZoomButton).openPreciseZoom);
    EXPECT_EQ(doc.view.mouseMode, 2);
    EXPECT_EQ(kModeButtonCaptions[3], "精确缩放");
}

TEST_F(ChartWindow, ShowDataReadsEveryChannelAtTheNearestSample) {
    // 41.5 rounds to 42 (halves to even).
    const NavigationOutcome outcome = mouseMove(doc, surface, false, {41.5, 300});
    const std::string time = generalDateText(kChartStart + 41 * kChartInterval);
    ASSERT_EQ(outcome.readOut.size(), 2u);
    EXPECT_EQ(outcome.readOut[0], (ReadOut{"41.00", time, "42"}));
    EXPECT_EQ(outcome.readOut[1], (ReadOut{"23.46", time, "42"}));
    EXPECT_EQ(surface.toolTip, time);
    EXPECT_TRUE(surface.cursorVisible);
    EXPECT_EQ(surface.cursorX, 41.5);
    EXPECT_FALSE(outcome.redraw);
    EXPECT_EQ(mouseMove(doc, surface, false, {2.5, 0}).readOut[0].index, "2");

    // Beyond the last sample: the read-out and tool tip stay, the cursor line hides.
    const NavigationOutcome beyond = mouseMove(doc, surface, false, {100.6, 300});
    EXPECT_TRUE(beyond.readOut.empty());
    EXPECT_EQ(surface.toolTip, generalDateText(kChartStart + 1 * kChartInterval));
    EXPECT_FALSE(surface.cursorVisible);

    // Other modes only move the tool tip.
    setMode(MouseMode::AlarmPart);
    EXPECT_TRUE(mouseMove(doc, surface, true, {10, 300}).readOut.empty());
    EXPECT_FALSE(surface.cursorVisible);
    EXPECT_EQ(surface.toolTip, generalDateText(kChartStart + 9 * kChartInterval));
}

TEST_F(ChartWindow, DraggingMovesTheViewSoTheContentFollowsTheMouse) {
    setView(21, 71, 600, 200);
    setMode(MouseMode::Drag);
    mouseDown(doc, surface, MouseButton::Left, {50, 500});
    EXPECT_EQ(surface.pointer, MousePointer::GrabbingHand);
    follow(mouseMove(doc, surface, true, {55, 520}));
    EXPECT_EQ(doc.view.viewStart, 16);
    EXPECT_EQ(doc.view.viewEnd, 66);
    EXPECT_EQ(doc.view.viewTop, 580);
    EXPECT_EQ(doc.view.viewBottom, 180);
    EXPECT_EQ(doc.view.lastX, 55);

    // The press point stays. The mouse, 6 pixels further right (at 84, where it was at 78),
    // reads 3 samples past the press point in the moved view: the view moves on by 3.
    const PlotPoint further = surface.scale.toPlot(screenPlot(100, 100).plot, {84, 40});
    EXPECT_NEAR(further.x, 53, 1e-9);
    follow(mouseMove(doc, surface, true, further));
    EXPECT_EQ(doc.view.viewStart, 13);
    EXPECT_EQ(doc.view.viewEnd, 63);
    EXPECT_EQ(doc.view.viewTop, 580);

    follow(mouseUp(doc, surface, MouseButton::Left, further));
    EXPECT_EQ(surface.pointer, MousePointer::OpenHand);
}

TEST_F(ChartWindow, DraggingStopsAtTheEdgesOfTheDataAndOfThePlotSpace) {
    setMode(MouseMode::Drag);
    // The view starts at sample 1: dragging right does not move it sideways, but moves it
    // down as long as it stays inside 0..1000.
    setView(1, 51, 900, 100);
    mouseDown(doc, surface, MouseButton::Left, {20, 500});
    follow(mouseMove(doc, surface, true, {22, 450}));
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, 51);
    EXPECT_EQ(doc.view.viewTop, 950);
    EXPECT_EQ(doc.view.viewBottom, 150);

    // Less than a sample to the right still leaves the view as wide as it was.
    follow(mouseMove(doc, surface, true, {20.7, 500}));
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, 51);

    // The whole plot space in view: no vertical move at all.
    setView(1, 51, 1000, 0);
    mouseDown(doc, surface, MouseButton::Left, {20, 500});
    follow(mouseMove(doc, surface, true, {20, 400}));
    EXPECT_EQ(doc.view.viewTop, 1000);
    EXPECT_EQ(doc.view.viewBottom, 0);

    // Past the scroll bar's maximum (round(50 / 100) + 100 - 50 = 50) the view stays.
    setView(49, 99, 1000, 0);
    ASSERT_EQ(surface.scrollBar.maximum, 50);
    mouseDown(doc, surface, MouseButton::Left, {60, 500});
    follow(mouseMove(doc, surface, true, {57, 500}));
    EXPECT_EQ(doc.view.viewStart, 49);
}

TEST_F(ChartWindow, TheRubberBandZoomsIntoTheRectangleItSpans) {
    setMode(MouseMode::Zoom);
    mouseDown(doc, surface, MouseButton::Left, {40, 300});
    EXPECT_EQ(surface.band, (RubberBand{true, 40, 300, 0, 0}));
    EXPECT_EQ(surface.pointer, MousePointer::MagnifierPressed);
    mouseMove(doc, surface, true, {10.5, 800});
    EXPECT_EQ(surface.band, (RubberBand{true, 10.5, 800, 29.5, 500}));
    // The left edge 10.5 rounds to 10 (halves to even).
    follow(mouseUp(doc, surface, MouseButton::Left, {10.5, 800}));
    EXPECT_EQ(doc.view.viewStart, 10);
    EXPECT_EQ(doc.view.viewEnd, 40);
    EXPECT_EQ(doc.view.viewTop, 800);
    EXPECT_EQ(doc.view.viewBottom, 300);
    EXPECT_FALSE(surface.band.visible);
    EXPECT_EQ(surface.pointer, MousePointer::Magnifier);

    // Outside the visible plot the band stops at its edges.
    mouseDown(doc, surface, MouseButton::Left, {20, 500});
    mouseMove(doc, surface, true, {75, 1200});
    EXPECT_EQ(surface.band, (RubberBand{true, 20, 800, 20, 300}));
}

TEST_F(ChartWindow, ASmallRubberBandOrAReleaseWithoutAPressLeavesTheView) {
    setMode(MouseMode::Zoom);
    const ChartView before = doc.view;
    const PlotPoint ends[] = {{42, 800}, {30, 300.5}};  // 2 samples wide; 0.5 units high
    for (const PlotPoint end : ends) {
        mouseDown(doc, surface, MouseButton::Left, {40, 300});
        mouseMove(doc, surface, true, end);
        EXPECT_FALSE(mouseUp(doc, surface, MouseButton::Left, end).redraw);
        EXPECT_EQ(edges(doc.view), edges(before));
        EXPECT_FALSE(surface.band.visible);
    }
    // The band of a finished zoom is not used again by a stray release.
    mouseDown(doc, surface, MouseButton::Left, {10, 900});
    mouseMove(doc, surface, true, {50, 100});
    mouseUp(doc, surface, MouseButton::Left, {50, 100});
    const ChartView zoomed = doc.view;
    EXPECT_FALSE(mouseUp(doc, surface, MouseButton::Left, {50, 100}).redraw);
    EXPECT_EQ(edges(doc.view), edges(zoomed));
}

TEST_F(ChartWindow, RightClickInZoomModeReturnsHome) {
    setView(30, 60, 700, 300);
    setMode(MouseMode::Drag);
    EXPECT_FALSE(mouseUp(doc, surface, MouseButton::Right, {40, 500}).redraw);
    EXPECT_EQ(doc.view.viewStart, 30);

    setMode(MouseMode::Zoom);
    mouseDown(doc, surface, MouseButton::Right, {40, 500});
    EXPECT_EQ(surface.pointer, MousePointer::MagnifierPressed);
    follow(mouseUp(doc, surface, MouseButton::Right, {40, 500}));
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, doc.view.homeEnd);
    EXPECT_EQ(doc.view.viewTop, 1000);
    EXPECT_EQ(doc.view.viewBottom, 0);
}

TEST_F(ChartWindow, TheScrollBarMovesTheViewAndKeepsItsWidth) {
    setView(11, 41, 800, 200);
    follow(scrollTo(doc, surface, 31));
    EXPECT_EQ(doc.view.viewStart, 31);
    EXPECT_EQ(doc.view.viewEnd, 61);
    EXPECT_EQ(doc.view.viewTop, 800);
    EXPECT_EQ(surface.scrollBar.value, 31);
}

TEST_F(ChartWindow, OverlaysAreTheCursorLineAndTheRubberBandOutline) {
    EXPECT_TRUE(overlayLines(surface, screenPlot(100, 100).plot).empty());
    setView(1, 101, 1000, 0);
    mouseMove(doc, surface, false, {51, 500});
    const auto lines = overlayLines(surface, screenPlot(100, 100).plot);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points, (std::vector<DevicePoint>{{60, 20}, {60, 120}}));

    setMode(MouseMode::Zoom);
    mouseDown(doc, surface, MouseButton::Left, {11, 750});
    mouseMove(doc, surface, true, {31, 250});
    const auto band = overlayLines(surface, screenPlot(100, 100).plot);
    ASSERT_EQ(band.size(), 1u);
    EXPECT_EQ(band[0].points,
              (std::vector<DevicePoint>{{20, 45}, {40, 45}, {40, 95}, {20, 95}, {20, 45}}));
}

TEST_F(ChartWindow, PreciseZoomOpensOnTheViewAndZoomsToTheChosenTimes) {
    setView(1, 150, 1000, 0);  // the end settles at 101
    auto dialog = preciseZoomDialog(doc);
    ASSERT_TRUE(dialog);
    const DateTime first = kChartStart;
    const DateTime last = kChartStart + 99 * kChartInterval;
    EXPECT_EQ(dialog->minDate, first);
    EXPECT_EQ(dialog->maxDate, last);
    EXPECT_EQ(dialog->sDate, first);
    EXPECT_EQ(dialog->eDate, last);

    // The whole recording: samples 1 to the home end.
    EXPECT_FALSE(confirmPreciseZoom(*dialog, first, last));
    ASSERT_TRUE(dialog->ok);
    setView(20, 30, 700, 300);
    follow(applyPreciseZoom(doc, *dialog));
    EXPECT_EQ(doc.view.viewStart, 1);
    EXPECT_EQ(doc.view.viewEnd, doc.view.homeEnd);
    EXPECT_EQ(doc.view.viewTop, 700);  // the vertical view stays

    // Samples 11 to 31, with the home end 101 over 99 steps: round(10/99 × 101 + 1) and
    // round(30/99 × 101).
    EXPECT_FALSE(
        confirmPreciseZoom(*dialog, first + 10 * kChartInterval, first + 30 * kChartInterval));
    follow(applyPreciseZoom(doc, *dialog));
    EXPECT_EQ(doc.view.viewStart, 11);
    EXPECT_EQ(doc.view.viewEnd, 31);
}

TEST_F(ChartWindow, PreciseZoomRefusesAReversedRangeAndClampsToTheRecording) {
    auto dialog = preciseZoomDialog(doc);
    ASSERT_TRUE(dialog);
    const DateTime first = dialog->minDate;
    const DateTime last = dialog->maxDate;

    const auto refused = confirmPreciseZoom(*dialog, first + 1, first);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->text, "起始时间必须小于终止时间");
    EXPECT_EQ(refused->buttons, MessageButtons::Ok);
    EXPECT_FALSE(dialog->ok);

    EXPECT_FALSE(confirmPreciseZoom(*dialog, first - 5, last + 5));
    EXPECT_EQ(dialog->sDate, first);
    EXPECT_EQ(dialog->eDate, last);

    // Equal times are accepted and change nothing; so does a cancel.
    const ChartView before = doc.view;
    EXPECT_FALSE(confirmPreciseZoom(*dialog, first + kChartInterval, first + kChartInterval));
    EXPECT_TRUE(dialog->ok);
    EXPECT_FALSE(applyPreciseZoom(doc, *dialog).redraw);
    EXPECT_FALSE(confirmPreciseZoom(*dialog, first, last));
    cancelPreciseZoom(*dialog);
    EXPECT_FALSE(applyPreciseZoom(doc, *dialog).redraw);
    EXPECT_EQ(doc.view, before);

    // Two neighbouring samples round to one index; the view spans that one step.
    EXPECT_FALSE(
        confirmPreciseZoom(*dialog, first + 49 * kChartInterval, first + 50 * kChartInterval));
    follow(applyPreciseZoom(doc, *dialog));
    EXPECT_EQ(doc.view.viewStart, 51);
    EXPECT_EQ(doc.view.viewEnd, 52);
}

TEST(PreciseZoom, ADocumentWithoutSamplesHasNoDialog) {
    HistoryDocument doc;
    EXPECT_FALSE(preciseZoomDialog(doc));
    doc = chartDocument({chartChannel(0, {})});
    EXPECT_FALSE(preciseZoomDialog(doc));
}

}  // namespace
}  // namespace tarvo
