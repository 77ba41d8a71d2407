// The live-curve window fed with the simulated logger's live answers.

#include "gui/live_window.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>

#include "core/logger_parameters.h"
#include "data/live_document.h"
#include "gui/colours.h"
#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"

namespace tarvo::gui {
namespace {

const DateTime kStart = makeDateTime(2024, 3, 5, 10, 0, 0);
const DateTime kSecond = 1.0 / kSecondsPerDay;

// Columns of the list.
constexpr int kChannel = 0, kSelected = 2, kTime = 4, kMax = 5, kMin = 6, kMean = 7, kIndex = 8;

class LiveWindowTest : public ::testing::Test {
  protected:
    LiveWindowTest() : logger(demoConfig(), kStart) {
        LoggerParameters params;
        EXPECT_TRUE(decodeXY002(
            *logger.answer(connectFrame(logger.address(), Variant::XY002), kStart), params));
        computeDerivedMembers(params);
        EXPECT_TRUE(doc.reSetRealSetting(params));
        window = std::make_unique<LiveWindow>(doc);
        window->resize(820, 560);
        window->show();
        settle();
    }

    // Sample k arrives k seconds after the start, as the logger answers it.
    void feed(int count) {
        for (int i = 0; i < count; ++i) {
            ++fed;
            const DateTime now = kStart + fed * kSecond;
            const auto answer = logger.answer(liveFrame(logger.address()), now);
            ASSERT_TRUE(answer.has_value());
            ASSERT_TRUE(window->appendSample(*answer, now).has_value());
        }
    }
    static void settle() { QApplication::processEvents(); }

    QTreeWidgetItem* row(int i) const { return window->channelList()->topLevelItem(i); }
    QString cell(int i, int column) const { return row(i)->text(column); }

    // The panel point over sample `index` of the plot (halfway to the next: the
    // read-out cuts the position to its integer part).
    QPointF over(int index) const {
        const LiveChartScene* scene = window->scene();
        const DevicePoint p = scene->scale.toDevice(scene->plot, PlotPoint{index + 0.5, 500});
        return {p.x, p.y};
    }

    SimLogger logger;
    LiveDocument doc;
    std::unique_ptr<LiveWindow> window;
    int fed = 0;
};

TEST_F(LiveWindowTest, IsTheTaggedLiveWindowWithTheLiveColumns) {
    EXPECT_EQ(window->objectName(), "frmRealT");
    EXPECT_EQ(window->windowTitle(), "实时曲线");
    QTreeWidget* list = window->channelList();
    ASSERT_EQ(list->columnCount(), 9);
    EXPECT_EQ(list->headerItem()->text(3), "单位");
    EXPECT_EQ(list->columnWidth(3), 1000 / 15);
    EXPECT_GE(list->columnWidth(4), 2000 / 15);
    // A time with a two-digit month, day and hour fits "记录时间" as it stands.
    ASSERT_GT(list->topLevelItemCount(), 0);
    list->topLevelItem(0)->setText(kTime, QStringLiteral("2024-12-28 23:59:59"));
    const QAbstractItemView* view = list;
    EXPECT_GE(list->columnWidth(kTime), view->sizeHintForColumn(kTime));
}

TEST_F(LiveWindowTest, SixtyAnswersMakeOneRedrawThatListsAndPaintsEveryChannel) {
    QSignalSpy redrawn(window.get(), &LiveWindow::redrawn);
    feed(60);
    EXPECT_TRUE(window->redrawPending());
    settle();
    EXPECT_EQ(redrawn.count(), 1);

    ASSERT_EQ(window->channelList()->topLevelItemCount(), 4);
    const auto rows = liveChannelListRows(doc);
    for (int i = 0; i < 4; ++i) {
        const ChannelRecord& r = doc.channels[static_cast<std::size_t>(i)];
        EXPECT_EQ(r.sampleCount(), 60);
        EXPECT_EQ(cell(i, kChannel).toStdString(), rows[static_cast<std::size_t>(i)].channelText);
        EXPECT_EQ(cell(i, kMax).toStdString(), rows[static_cast<std::size_t>(i)].maxText);
        EXPECT_EQ(cell(i, kMin).toStdString(), rows[static_cast<std::size_t>(i)].minText);
        EXPECT_EQ(cell(i, kMean).toStdString(), rows[static_cast<std::size_t>(i)].meanText);
        EXPECT_FALSE(cell(i, kMax).isEmpty());
        EXPECT_EQ(row(i)->checkState(0), Qt::Checked);
        EXPECT_EQ(row(i)->foreground(kChannel).color(),
                  toQColor(rows[static_cast<std::size_t>(i)].colour));
    }

    // Every curve reaches the screen in its colour.
    const QImage picture = window->grab().toImage();
    const QRect plot = window->plotRect().translated(window->plotPanel()->pos());
    for (const ChannelListRow& r : rows) {
        const QColor colour = toQColor(r.colour);
        bool found = false;
        for (int y = plot.top(); y <= plot.bottom() && !found; ++y) {
            for (int x = plot.left(); x <= plot.left() + plot.width() / 8 && !found; ++x) {
                found = picture.pixelColor(x, y) == colour;
            }
        }
        EXPECT_TRUE(found) << "no pixel of " << r.key;
    }
}

TEST_F(LiveWindowTest, TheFiguresUnderTheListCountTheBuffersExcursionsSoFar) {
    feed(3);
    // Every sample above the first channel's high limit: one excursion from the first
    // sample to a second after the third; the second channel without limits.
    doc.channels[0].alarmLow = -1000;
    doc.channels[0].alarmHigh = -999;
    doc.channels[1].alarmLow = doc.channels[1].alarmHigh = 0;
    window->redrawNow();
    const QStringList lines = window->excursionFigures()->text().split('\n');
    ASSERT_EQ(lines.size(), 4);
    const QString first = QStringLiteral("通道%1").arg(doc.channels[0].channel);
    EXPECT_EQ(lines[0], first + "   超上限时间(秒):3   低于下限时间(秒):0   超限次数:1");
    EXPECT_TRUE(lines[1].endsWith("超上限时间(秒):-   低于下限时间(秒):-   超限次数:-")) << lines[1].toStdString();
}

TEST_F(LiveWindowTest, UncheckingARowHidesItsCurveAndCheckingBringsItBack) {
    feed(10);
    settle();
    const auto curveCount = [&] { return window->scene()->lines.size(); };
    const std::size_t all = curveCount();
    row(1)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(doc.channels[1].visible);
    settle();
    EXPECT_LT(curveCount(), all);
    EXPECT_EQ(row(1)->checkState(0), Qt::Unchecked);
    row(1)->setCheckState(0, Qt::Checked);
    settle();
    EXPECT_EQ(curveCount(), all);
}

TEST_F(LiveWindowTest, TheMouseReadsOutTheSampleUnderItAndLaterRedrawsKeepTheReadOut) {
    feed(60);
    settle();
    QMouseEvent move(QEvent::MouseMove, over(30), window->plotPanel()->mapToGlobal(over(30)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window->plotPanel(), &move);
    ASSERT_EQ(window->cursorIndex(), 30);
    const auto cells = liveCursorReadout(doc, 30);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(cells[static_cast<std::size_t>(i)].has_value());
        EXPECT_EQ(cell(i, kSelected).toStdString(),
                  cells[static_cast<std::size_t>(i)]->selectedValue);
        EXPECT_EQ(cell(i, kTime).toStdString(), cells[static_cast<std::size_t>(i)]->recordTime);
        EXPECT_EQ(cell(i, kIndex), "30");
    }
    EXPECT_EQ(cell(0, kTime).toStdString(), generalDateText(kStart + 30 * kSecond));
    // TARVO_SCREENSHOT_DIR names a folder for a picture of the window as it is now.
    if (const char* folder = std::getenv("TARVO_SCREENSHOT_DIR"))
        window->grab().save(QString::fromLocal8Bit(folder) + "/live_window.png");

    // Right of the last sample the read-out stays on the last one.
    window->readOutAt(over(400));
    EXPECT_EQ(window->cursorIndex(), 60);
    EXPECT_EQ(cell(0, kIndex), "60");

    feed(1);
    settle();
    EXPECT_EQ(cell(0, kIndex), "60");
}

TEST_F(LiveWindowTest, TheCloseBoxHidesTheWindowWithoutDestroyingIt) {
    window->setAttribute(Qt::WA_DeleteOnClose);  // even so
    QPointer<LiveWindow> alive(window.get());
    QSignalSpy closed(window.get(), &LiveWindow::closedByOperator);
    EXPECT_FALSE(window->close());
    settle();
    ASSERT_FALSE(alive.isNull());
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(closed.count(), 1);

    // Shown again it still holds its samples and goes on growing.
    window->show();
    feed(3);
    settle();
    EXPECT_EQ(doc.sampleCount(), 3);
    EXPECT_EQ(window->channelList()->topLevelItemCount(), 4);
}

TEST_F(LiveWindowTest, AGuardThatSaysNoKeepsTheWindowOpen) {
    int asked = 0;
    bool answer = false;
    window->setCloseGuard([&] {
        ++asked;
        return answer;
    });
    QSignalSpy closed(window.get(), &LiveWindow::closedByOperator);
    window->close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(closed.count(), 0);
    answer = true;
    window->close();
    EXPECT_TRUE(window->isHidden());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(LiveWindowTest, InsideAnMdiAreaTheCloseBoxHidesTheFrame) {
    QMdiArea area;
    area.resize(900, 650);
    auto* live = new LiveWindow(doc);
    QPointer<QMdiSubWindow> frame = area.addSubWindow(live);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    area.show();
    frame->show();
    settle();
    QSignalSpy closed(live, &LiveWindow::closedByOperator);
    frame->close();
    settle();
    ASSERT_FALSE(frame.isNull());
    EXPECT_TRUE(frame->isHidden());
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(LiveWindowTest, ARebuiltDocumentStartsTheListAfresh) {
    feed(5);
    settle();
    window->readOutAt(over(2));
    EXPECT_EQ(cell(0, kIndex), "2");

    LoggerParameters one;
    one.startedChannels = 0b1;
    one.channelType[0] = 1;
    one.channelUnit[0] = 1;
    one.rangeLow[0] = -40;
    one.rangeHigh[0] = 100;
    ASSERT_TRUE(doc.reSetRealSetting(one));
    window->documentReset();
    settle();
    ASSERT_EQ(window->channelList()->topLevelItemCount(), 1);
    EXPECT_EQ(cell(0, kIndex), "");
    EXPECT_FALSE(window->cursorIndex().has_value());
}

TEST(LiveWindowWithoutChannels, DrawsAnEmptyPlotAndTakesNoSample) {
    LiveDocument doc;
    LiveWindow window(doc);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.scene(), nullptr);
    EXPECT_EQ(window.channelList()->topLevelItemCount(), 0);
    const Bytes answer{0x3C, 0x30, 0x31, 0xFF, 0x39, 1, 0, 0, 0x20, 0x41, 0x66};
    EXPECT_FALSE(window.appendSample(answer, kStart).has_value());
    EXPECT_FALSE(window.redrawPending());
}

}  // namespace
}  // namespace tarvo::gui
