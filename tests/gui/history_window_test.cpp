// The history window as the operator sees it: the data grid read on demand and copied
// with Ctrl+C, the channel list's check boxes, the chart's switches, modes and drag,
// the caption after a save, the close question, the save choice and the precise zoom.
// Modal dialogs are answered by a timer that finds them when they come up.

#include "gui/history_window.h"
#include "gui/scene_painter.h"

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/memory_settings_store.h"
#include "files/file_names.h"
#include "files/logger_data_file.h"
#include "files/scratch_folder.h"
#include "gui/chart_widget.h"
#include "gui/document_flows.h"
#include "gui/qt_report_painter.h"
#include "gui/resize_by_date_dialog.h"
#include "gui/save_choice_dialog.h"
#include "gui/summary_panel.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"
#include "workstation/workstation.h"

namespace tarvo::gui {
namespace {

const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);
const DateTime kFileStart = makeDateTime(2024, 3, 1, 8, 0, 0);
const std::filesystem::path kTemplate =
    std::filesystem::path(TARVO_BINARY_DIR) / "bin" / "FileMode" / "default.mdb";

// Channels 0 and 2 ("温度" ℃, "湿度" %RH), `records` samples ten minutes apart;
// channel 0 counts 20, 21, …, channel 2 counts 50, 51, ….
std::vector<ChannelRecord> fileChannels(int records) {
    std::vector<ChannelRecord> channels(2);
    for (int c = 0; c < 2; ++c) {
        ChannelRecord& r = channels[static_cast<std::size_t>(c)];
        r.channel = static_cast<std::int16_t>(c * 2);
        r.typeText = c == 0 ? "温度" : "湿度";
        r.unitText = c == 0 ? "℃" : "%RH";
        r.rangeLow = 0;
        r.rangeHigh = 100000;
        r.versionDate = makeDateTime(2006, 5, 1);
        r.startTime = kFileStart;
        for (int i = 0; i < records; ++i) {
            r.values.push_back(static_cast<float>(20 + c * 30 + i));
            r.times.push_back(kFileStart + i / 144.0);
        }
    }
    return channels;
}

// Runs `answer` on the next modal dialog as soon as it is up.
void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start(10);
}

// Types the name into the file dialog's name box, as the operator would (selecting a
// file races with the dialog's own initial selection).
void typeFileName(QFileDialog* dialog, const std::filesystem::path& path) {
    auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(box, nullptr);
    box->setText(QString::fromStdString(pathText(path)));
}

// Answers the question a save dialog asks before it accepts a name that does not exist.
void answerCreatePrompt(QMessageBox::StandardButton button, const std::filesystem::path& name) {
    whenModal([button, name](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr) << "no create prompt";
        EXPECT_EQ(box->text().toStdString(), pathText(name) + "\n该文件不存在。\n要创建该文件吗？");
        box->button(button)->click();
    });
}

class HistoryWindowTest : public ::testing::Test {
  protected:
    HistoryWindowTest() {
        ws.setTemplates(TemplateLocator(kTemplate));
        ws.startUp({});
    }

    // Opens a logger data file of `records` records in a new window.
    HistoryWindow& openFile(int records, const std::string& name = "rec.orx") {
        const auto path = folder / name;
        EXPECT_TRUE(writeLoggerDataFile(path, fileChannels(records)));
        const auto index = ws.openDocument(path);
        EXPECT_TRUE(index);
        return show(*index);
    }

    // The demo logger's week, uploaded as the operator would.
    HistoryWindow& uploadDemoWeek() {
        EXPECT_TRUE(ws.connect());
        EXPECT_TRUE(run());
        messenger.answers.push_back(Answer::Yes);
        EXPECT_TRUE(ws.upload());
        EXPECT_TRUE(run());
        EXPECT_EQ(ws.documents().size(), 1u);
        return show(0);
    }

    HistoryWindow& show(int index) {
        windows.push_back(std::make_unique<HistoryWindow>(ws, index));
        HistoryWindow& w = *windows.back();
        w.show();
        settle();
        return w;
    }

    bool run() {
        return timers.runUntil([this] { return !ws.engine().busy(); }, 600000);
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    VirtualTimers timers{kPcNow};
    SimLogger logger{demoConfig(), kPcNow};
    SimSerialPort port{logger, [this] { return timers.elapsedMs(); }, true,
                       [this] { return timers.now(); }};
    test::RecordingMessenger messenger;
    MemorySettingsStore store;
    Workstation ws{timers, port, messenger, store};
    testing::ScratchFolder folder;
    std::vector<std::unique_ptr<HistoryWindow>> windows;
};

// ---- the data grid ---------------------------------------------------------------

TEST_F(HistoryWindowTest, TheGridHoldsARowPerRecordWithNumberDateTimeAndValues) {
    HistoryWindow& w = openFile(10);
    const QAbstractItemModel* grid = w.dataGrid()->model();
    ASSERT_EQ(grid->rowCount(), 10);
    ASSERT_EQ(grid->columnCount(), 5);
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), "   记录日期   ");
    EXPECT_EQ(grid->headerData(4, Qt::Horizontal).toString(), "通道2        ");
    EXPECT_EQ(grid->index(0, 0).data().toString(), "1");
    EXPECT_EQ(grid->index(0, 1).data().toString(), "2024-3-1");
    EXPECT_EQ(grid->index(9, 2).data().toString(), "9:30:00");
    EXPECT_EQ(grid->index(9, 3).data().toString(), "29.00 ℃");
    EXPECT_EQ(grid->index(0, 4).data().toString(), "50.00 %RH");
    EXPECT_TRUE(w.document()->gridFilled);
}

// Counts the cells the view asks for.
class CountingGridModel : public DataGridModel {
  public:
    mutable long long cellRequests = 0;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) ++cellRequests;
        return DataGridModel::data(index, role);
    }
};

TEST_F(HistoryWindowTest, AFullLoggersGridOpensReadingOnlyTheCellsInSight) {
    HistoryWindow& w = openFile(65535);
    EXPECT_EQ(w.dataGrid()->model()->rowCount(), 65535);

    CountingGridModel counting;
    counting.setDocument(w.document());
    w.dataGrid()->setModel(&counting);
    w.tabs()->setCurrentIndex(1);
    settle();
    (void)w.grab();
    EXPECT_TRUE(w.dataGrid()->isVisible());
    EXPECT_GT(counting.cellRequests, 0);
    EXPECT_LT(counting.cellRequests, 5000);  // 65,535 × 5 cells are never built
    w.dataGrid()->scrollToBottom();
    settle();
    (void)w.grab();
    EXPECT_EQ(counting.index(65534, 0).data().toString(), "65535");
    EXPECT_LT(counting.cellRequests, 10000);
    w.dataGrid()->setModel(nullptr);
}

TEST_F(HistoryWindowTest, CtrlCCopiesTheSelectedBlockCellByCell) {
    HistoryWindow& w = openFile(10);
    w.tabs()->setCurrentIndex(1);
    settle();
    QTableView* grid = w.dataGrid();
    grid->setCurrentIndex(grid->model()->index(2, 3));
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(1, 2), grid->model()->index(2, 3)),
        QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();

    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);

    EXPECT_EQ(QApplication::clipboard()->text(),
              "8:10:00      \t21.00 ℃      \t\r\n"
              "8:20:00      \t22.00 ℃      \t\r\n");
}

// ---- the channel list -----------------------------------------------------------

TEST_F(HistoryWindowTest, TheChannelListShowsEachChannelInItsColourWithItsStatistics) {
    HistoryWindow& w = openFile(10);
    QTreeWidget* list = w.channelList();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->toolTip(), "双击标签修改曲线颜色");
    EXPECT_EQ(list->headerItem()->text(2), "选定值");
    const QTreeWidgetItem* first = list->topLevelItem(0);
    EXPECT_EQ(first->text(0), "通道0");
    EXPECT_EQ(first->text(1), "温度");
    EXPECT_EQ(first->text(3), "℃");
    EXPECT_EQ(first->text(5), "29.00");
    EXPECT_EQ(first->text(6), "20.00");
    EXPECT_EQ(first->text(7), "24.50");
    EXPECT_EQ(list->topLevelItem(1)->text(0), "通道2");
    EXPECT_EQ(first->checkState(0), Qt::Checked);
    EXPECT_EQ(first->foreground(5).color(), toQColor(w.document()->channels[0].color));
}

TEST_F(HistoryWindowTest, TheSummaryTabFollowsTheViewAndKeepsTheEnergyInTheStore) {
    // Channel 0 counts 20 … 29 ℃ against limits 22..27: two records below at the start
    // (20 min), two above at the end (20 min, the last lasting one more interval).
    std::vector<ChannelRecord> channels = fileChannels(10);
    channels[0].alarmLow = 22;
    channels[0].alarmHigh = 27;
    ASSERT_TRUE(writeLoggerDataFile(folder / "limits.orx", channels));
    const auto index = ws.openDocument(folder / "limits.orx");
    ASSERT_TRUE(index);
    HistoryWindow& w = show(*index);

    ASSERT_EQ(w.tabs()->count(), 3);
    EXPECT_EQ(w.tabs()->tabText(2), "统计汇总");
    w.tabs()->setCurrentIndex(2);
    settle();
    EXPECT_TRUE(w.summaryPanel()->isVisible());
    QTreeWidget* table = w.summaryPanel()->table();
    ASSERT_EQ(table->topLevelItemCount(), 2);
    EXPECT_EQ(table->headerItem()->text(8), "超上限时间(秒)");
    const QTreeWidgetItem* first = table->topLevelItem(0);
    EXPECT_EQ(first->text(0), "通道0");
    EXPECT_EQ(first->text(2), "10");
    EXPECT_EQ(first->text(8), "1200");
    EXPECT_EQ(first->text(9), "1200");
    EXPECT_EQ(first->text(10), "2");
    EXPECT_EQ(table->topLevelItem(1)->text(8), "-");  // no limits on channel 2
    EXPECT_EQ(table->topLevelItem(1)->text(14), "-");  // and not in ℃
    EXPECT_EQ(first->foreground(3).color(), w.channelList()->topLevelItem(0)->foreground(3).color());
    const QString mkt = first->text(14);

    // Zoomed to records 1..5: nothing above any more.
    w.document()->view.viewStart = 1;
    w.document()->view.viewEnd = 5;
    w.chart()->redrawNow();
    EXPECT_EQ(first->text(2), "5");
    EXPECT_EQ(first->text(8), "0");
    EXPECT_EQ(first->text(10), "1");

    QLineEdit* energy = w.summaryPanel()->energyEdit();
    EXPECT_EQ(energy->text(), "83.144");
    energy->setText("60");
    emit energy->editingFinished();
    EXPECT_EQ(store.read("ProgramSetting", "ActivationEnergy"), "60");
    EXPECT_NE(first->text(14), mkt);
    energy->setText("warm");
    emit energy->editingFinished();
    EXPECT_EQ(energy->text(), "60");  // refused: the energy in use stays
    EXPECT_EQ(w.activationEnergy(), 60.0);
    // A window opened later starts from the stored energy.
    EXPECT_EQ(show(*index).activationEnergy(), 60.0);
}

TEST_F(HistoryWindowTest, TheAlarmPartModeShowsTheExcursionsAsBandsInTheChannelsColour) {
    std::vector<ChannelRecord> channels = fileChannels(10);
    channels[0].alarmLow = 22;
    channels[0].alarmHigh = 27;
    channels[0].rangeHigh = 40;  // the bands fill a good part of the plot
    ASSERT_TRUE(writeLoggerDataFile(folder / "limits.orx", channels));
    const auto index = ws.openDocument(folder / "limits.orx");
    ASSERT_TRUE(index);
    HistoryWindow& w = show(*index);
    ChartWidget* chart = w.chart();
    EXPECT_TRUE(chart->bands().empty());

    chart->modeButton(4)->click();
    settle();
    chart->redrawNow();
    ASSERT_EQ(chart->bands().size(), 2u);  // below at the start, above at the end
    EXPECT_EQ(chart->bands()[0].colour, w.document()->channels[0].color);
    // The band lies under the curve, lightened towards the background.
    const QImage picture = chart->grab().toImage();
    const DeviceRect band = chart->bands()[0].rect;
    // Just under the low limit at the first sample: the curve (at 20) lies lower.
    ASSERT_GT(band.height, 10);
    const QColor inside = picture.pixelColor(static_cast<int>(band.left + 2),
                                             static_cast<int>(band.top + 3));
    EXPECT_NE(inside, QColor(Qt::white));
    EXPECT_GT(inside.lightness(), toQColor(chart->bands()[0].colour).lightness());

    chart->modeButton(0)->click();
    settle();
    chart->redrawNow();
    EXPECT_TRUE(chart->bands().empty());
}

TEST_F(HistoryWindowTest, UncheckingARowHidesItsCurveAndCheckingShowsItAgain) {
    HistoryWindow& w = openFile(10);
    ASSERT_TRUE(w.chart()->scene());
    EXPECT_EQ(w.chart()->scene()->lines.size(), 2u);

    w.channelList()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    settle();
    EXPECT_FALSE(w.document()->channels[1].visible);
    EXPECT_TRUE(w.document()->channels[0].visible);
    EXPECT_EQ(w.chart()->scene()->lines.size(), 1u);

    w.channelList()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    settle();
    EXPECT_TRUE(w.document()->channels[1].visible);
    EXPECT_EQ(w.chart()->scene()->lines.size(), 2u);
}

TEST_F(HistoryWindowTest, DoubleClickingARowChoosesItsCurveColourAndBlackStaysBlack) {
    HistoryWindow& w = openFile(10);
    QTreeWidget* list = w.channelList();
    QTreeWidgetItem* row = list->topLevelItem(1);
    list->setCurrentItem(row);
    for (const QColor& chosen : {QColor(10, 200, 30), QColor(0, 0, 0)}) {
        whenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QColorDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "颜色选择");
            dialog->setCurrentColor(chosen);
            dialog->accept();
        });
        emit list->itemDoubleClicked(row, 0);
        settle();
        // 0 would mean "no colour chosen" and bring the default colour back.
        const Rgb expected = chosen == Qt::black ? rgb(1, 1, 1) : rgbOf(chosen);
        EXPECT_EQ(w.document()->channels[1].color, expected);
        EXPECT_EQ(row->foreground(1).color(), toQColor(expected));
        EXPECT_EQ(w.chart()->scene()->lines[1].colour, expected);
    }
}

// ---- the chart -------------------------------------------------------------------

TEST_F(HistoryWindowTest, TheSwitchesChangeTheirCaptionsAndTheChart) {
    HistoryWindow& w = openFile(10);
    ChartWidget* chart = w.chart();
    EXPECT_EQ(chart->scaleSwitch()->text(), "量程坐标");
    EXPECT_EQ(chart->axesSwitch()->text(), "显示坐标轴");
    EXPECT_EQ(chart->trendSwitch()->text(), "详细走势");
    EXPECT_TRUE(chart->scene()->labels.empty());

    chart->axesSwitch()->click();
    chart->scaleSwitch()->click();
    chart->trendSwitch()->click();
    settle();

    EXPECT_EQ(chart->scaleSwitch()->text(), "极值坐标");
    EXPECT_EQ(chart->axesSwitch()->text(), "隐藏坐标轴");
    EXPECT_EQ(chart->trendSwitch()->text(), "大致走势");
    EXPECT_EQ(chart->options().scale, ScaleMode::Extreme);
    EXPECT_EQ(chart->options().trend, TrendMode::Rough);
    // Five tick labels per shown channel, in the channel's colour.
    ASSERT_EQ(chart->scene()->labels.size(), 10u);
    EXPECT_EQ(chart->scene()->labels[0].colour, w.document()->channels[0].color);
    EXPECT_EQ(chart->scene()->labels[9].colour, w.document()->channels[1].color);
}

TEST_F(HistoryWindowTest, DraggingMovesTheViewWithTheMouse) {
    HistoryWindow& w = openFile(1000);
    ChartWidget* chart = w.chart();
    QAbstractButton* zoom = chart->modeButton(2);
    ASSERT_EQ(zoom->text(), "缩放");

    // Zoom into a band, then drag it back towards the start.
    zoom->click();
    EXPECT_EQ(w.document()->view.mouseMode, 2);
    EXPECT_TRUE(zoom->isChecked());
    QWidget* plot = chart->plotSurface();
    const QPoint a(plot->width() / 2, plot->height() / 4);
    const QPoint b(plot->width() * 3 / 4, plot->height() * 3 / 4);
    QTest::mousePress(plot, Qt::LeftButton, {}, a);
    QTest::mouseMove(plot, b);
    QTest::mouseRelease(plot, Qt::LeftButton, {}, b);
    settle();
    const ChartView zoomed = w.document()->view;
    EXPECT_GT(zoomed.viewStart, 400);
    EXPECT_LT(zoomed.viewEnd, 800);

    chart->modeButton(1)->click();
    EXPECT_EQ(w.document()->view.mouseMode, 1);
    EXPECT_FALSE(zoom->isChecked());
    const QPoint from(plot->width() / 4, plot->height() / 2);
    QTest::mousePress(plot, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 5; ++step)
        QTest::mouseMove(plot, from + QPoint(step * plot->width() / 10, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, from + QPoint(plot->width() / 2, 0));
    settle();

    // Half a plot to the right shows what lay half a view to the left.
    const ChartView dragged = w.document()->view;
    const int width = zoomed.viewEnd - zoomed.viewStart;
    EXPECT_NEAR(dragged.viewStart, zoomed.viewStart - width / 2, 2);
    EXPECT_EQ(dragged.viewEnd - dragged.viewStart, width);
    EXPECT_EQ(chart->scrollBar()->value(), dragged.viewStart);
}

TEST_F(HistoryWindowTest, ThePreciseZoomShowsTheChosenTimesAndTheScrollBarMovesThatView) {
    HistoryWindow& w = openFile(1000);
    ChartWidget* chart = w.chart();
    const std::vector<DateTime>& times = w.document()->channels[0].times;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<ResizeByDateDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->minDate(), times.front());
        EXPECT_EQ(dialog->maxDate(), times.back());
        dialog->fromPicker()->setDateTime(toQDateTime(times[99]));
        dialog->toPicker()->setDateTime(toQDateTime(times[299]));
        dialog->confirm();
    });
    chart->modeButton(kPreciseZoomButton)->click();
    settle();

    const ChartView& v = w.document()->view;
    const double perSample = v.homeEnd / 999.0;  // (time − first) / (last − first) × homeEnd
    EXPECT_NEAR(v.viewStart, 99 * perSample + 1, 1);
    EXPECT_NEAR(v.viewEnd, 299 * perSample, 1);
    EXPECT_EQ(v.mouseMode, 0);
    EXPECT_EQ(chart->scrollBar()->value(), v.viewStart);

    const int width = v.viewEnd - v.viewStart;
    chart->scrollBar()->setValue(500);
    settle();
    EXPECT_EQ(v.viewStart, 500);
    EXPECT_EQ(v.viewEnd, 500 + width);
}

TEST_F(HistoryWindowTest, ThePreciseZoomRefusesAnEndBeforeTheStartAndClampsToTheRecording) {
    ResizeByDateDialog dialog(messenger);
    dialog.setMinDate(kFileStart);
    dialog.setMaxDate(kFileStart + 1);
    EXPECT_EQ(fromQDateTime(dialog.fromPicker()->dateTime()), kFileStart);
    EXPECT_EQ(fromQDateTime(dialog.toPicker()->dateTime()), kFileStart + 1);
    EXPECT_EQ(dialog.windowTitle(), "精确缩放");

    dialog.fromPicker()->setDateTime(toQDateTime(kFileStart + 0.5));
    dialog.toPicker()->setDateTime(toQDateTime(kFileStart + 0.25));
    dialog.confirm();
    EXPECT_FALSE(dialog.ok());
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"起始时间必须小于终止时间"});

    dialog.toPicker()->setDateTime(toQDateTime(kFileStart + 3));
    dialog.confirm();
    EXPECT_TRUE(dialog.ok());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.sDate(), kFileStart + 0.5);
    EXPECT_EQ(dialog.eDate(), kFileStart + 1);
}

TEST_F(HistoryWindowTest, TheChartPanelsFilePropertiesButtonListsThisWindowsDocument) {
    openFile(10, "a.orx");
    HistoryWindow& second = openFile(20, "b.orx");
    ws.setActiveChild({ChildKind::History, 0});
    QAbstractButton* button = second.chart()->filePropertiesButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "显示文件属性");
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(button->geometry().intersects(second.chart()->plotRect()));

    button->click();

    EXPECT_EQ(ws.activeChild(), (ActiveChild{ChildKind::History, 1}));
    EXPECT_EQ(ws.pane().title(), "文件属性");
    const auto& rows = ws.pane().rows();
    const auto count = std::find_if(rows.begin(), rows.end(),
                                    [](const PropertyRow& r) { return r.key == "记录次数"; });
    ASSERT_NE(count, rows.end());
    EXPECT_EQ(count->value, "20");
}

// ---- saving and closing ------------------------------------------------------------

TEST(SaveChoiceDialog, OffersFileSavingFirstAndTellsTheChoice) {
    SaveChoiceDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "保存选择");
    EXPECT_EQ(dialog.option(SaveType::File)->text(), "以文件方式保存");
    EXPECT_EQ(dialog.option(SaveType::Database)->text(), "将数据附加到数据库");
    EXPECT_TRUE(dialog.option(SaveType::File)->isChecked());
    EXPECT_EQ(dialog.saveType(), SaveType::File);
    EXPECT_FALSE(dialog.confirmed());

    dialog.option(SaveType::Database)->click();
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.confirmed());
    EXPECT_EQ(dialog.saveType(), SaveType::Database);

    dialog.cancelButton()->click();
    EXPECT_FALSE(dialog.confirmed());
}

TEST_F(HistoryWindowTest, SavingUnderCsvCaptionsTheWindowWithTheFullPath) {
    HistoryWindow& w = openFile(10);
    ws.setActiveChild({ChildKind::History, 0});
    const auto csv = folder / "导出.csv";
    whenModal([&](QWidget* choice) {
        whenModal([&](QWidget* files) {
            auto* dialog = qobject_cast<QFileDialog*>(files);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "保存为...");
            typeFileName(dialog, csv);
            // The name is new: No to the create prompt keeps the dialog open, Yes saves.
            answerCreatePrompt(QMessageBox::No, csv);
            static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks run
            EXPECT_TRUE(dialog->isVisible());
            answerCreatePrompt(QMessageBox::Yes, csv);
            static_cast<QDialog*>(dialog)->accept();
        });
        qobject_cast<SaveChoiceDialog*>(choice)->okButton()->click();
    });

    saveFlow(ws, &w);

    EXPECT_TRUE(std::filesystem::exists(csv));
    EXPECT_EQ(w.windowTitle().toStdString(), "记录仪文件:" + pathText(csv));
}

TEST_F(HistoryWindowTest, ChoosingTheDatabaseInTheSaveChoiceAppendsToTheNamedDatabase) {
    HistoryWindow& w = openFile(10);
    ws.setActiveChild({ChildKind::History, 0});
    const QString caption = w.windowTitle();
    const auto database = folder / "库";
    whenModal([&](QWidget* choice) {
        whenModal([&](QWidget* files) {
            auto* dialog = qobject_cast<QFileDialog*>(files);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "请输入数据文件路径...");
            typeFileName(dialog, database);
            answerCreatePrompt(QMessageBox::Yes, database);
            static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks run
        });
        auto* dialog = qobject_cast<SaveChoiceDialog*>(choice);
        dialog->option(SaveType::Database)->click();
        dialog->okButton()->click();
    });

    saveFlow(ws, &w);

    EXPECT_TRUE(std::filesystem::exists(folder / "库.mdb"));
    EXPECT_EQ(w.windowTitle(), caption);
}

TEST_F(HistoryWindowTest, ClosingAnUnsavedDocumentAsksAndCancelKeepsIt) {
    HistoryWindow& w = uploadDemoWeek();
    EXPECT_EQ(w.windowTitle(), "记录仪文件1");
    messenger.shown.clear();
    messenger.answers = {Answer::Cancel};

    EXPECT_FALSE(w.close());
    ASSERT_EQ(messenger.texts(),
              std::vector<std::string>{"文档[记录仪文件1]尚未保存，是否现在保存？"});
    EXPECT_EQ(ws.documents().size(), 1u);
    EXPECT_NE(w.document(), nullptr);

    messenger.answers = {Answer::No};
    EXPECT_TRUE(w.close());
    EXPECT_TRUE(ws.documents().empty());
    EXPECT_EQ(w.document(), nullptr);
    EXPECT_EQ(w.dataGrid()->model()->rowCount(), 0);
}

TEST_F(HistoryWindowTest, AnMdiChildThatIsClosedAsksItsHistoryWindowFirst) {
    uploadDemoWeek();
    windows.clear();
    QMdiArea area;
    QMdiSubWindow* child = area.addSubWindow(new HistoryWindow(ws, 0));
    area.show();
    settle();
    messenger.answers = {Answer::Cancel};

    EXPECT_FALSE(child->close());
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(ws.documents().size(), 1u);

    messenger.answers = {Answer::No};
    EXPECT_TRUE(child->close());
    EXPECT_TRUE(ws.documents().empty());
    EXPECT_EQ(messenger.shown.size(), 3u);  // the upload's question and two closes
}

TEST_F(HistoryWindowTest, ReadingAnOpenFileAgainRefreshesItsWindow) {
    HistoryWindow& w = openFile(10);
    w.document()->caption = "改过";
    w.refreshCaption();
    messenger.answers = {Answer::Yes};

    openPathsFlow(ws, {QString::fromStdString(pathText(folder / "rec.orx"))}, nullptr);

    EXPECT_EQ(ws.documents().size(), 1u);
    EXPECT_EQ(w.windowTitle().toStdString(), "记录仪文件:" + pathText(folder / "rec.orx"));
}

// ---- the look ----------------------------------------------------------------------

// Pixels of the image close to `colour`.
int pixelsOf(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 24 &&
                std::abs(c.green() - colour.green()) < 24 &&
                std::abs(c.blue() - colour.blue()) < 24)
                ++count;
        }
    }
    return count;
}

TEST_F(HistoryWindowTest, TheDemoWeekShowsEveryChannelsCurveInItsColourAndReadsOutAtTheCursor) {
    HistoryWindow& w = uploadDemoWeek();
    w.chart()->axesSwitch()->click();
    settle();
    // The cursor in show-data mode reads every channel out into its list row.
    QWidget* surface = w.chart()->plotSurface();
    QTest::mouseMove(surface, QPoint(surface->width() * 2 / 3, surface->height() / 2));
    settle();
    const QTreeWidgetItem* row = w.channelList()->topLevelItem(3);
    const int k = w.channelList()->topLevelItem(0)->text(8).toInt();
    ASSERT_GT(k, 0);
    EXPECT_EQ(row->text(4).toStdString(),
              generalDateText(w.document()->channels[3].times[static_cast<std::size_t>(k - 1)]));
    EXPECT_FALSE(row->text(2).isEmpty());

    const QImage image = w.grab().toImage();
    const QRect plot(w.chart()->mapTo(&w, w.chart()->plotRect().topLeft()),
                     w.chart()->plotRect().size());
    const QImage plotImage = image.copy(plot);
    ASSERT_EQ(w.document()->channels.size(), 4u);
    for (const ChannelRecord& r : w.document()->channels)
        EXPECT_GT(pixelsOf(plotImage, toQColor(r.color)), 100) << r.channel;

    // TARVO_SCREENSHOT_DIR keeps the picture for a person to look at.
    if (const char* dir = std::getenv("TARVO_SCREENSHOT_DIR"))
        image.save(QString::fromLocal8Bit(dir) + "/history_window.png");
}

TEST_F(HistoryWindowTest, TheDemoWeeksSummaryShowsItsExcursionsOnTheTabTheChartAndThePage) {
    HistoryWindow& w = uploadDemoWeek();
    w.resize(1180, 480);  // wide enough for every column of the summary
    w.tabs()->setCurrentIndex(2);
    settle();
    QTreeWidget* table = w.summaryPanel()->table();
    ASSERT_EQ(table->topLevelItemCount(), 4);
    // The demo's temperature crosses its limits and has an MKT; the humidity has none.
    EXPECT_GT(table->topLevelItem(0)->text(10).toInt(), 0);
    EXPECT_NE(table->topLevelItem(0)->text(14), "-");
    EXPECT_EQ(table->topLevelItem(1)->text(14), "-");
    const QImage tab = w.grab().toImage();

    w.tabs()->setCurrentIndex(0);
    w.chart()->modeButton(4)->click();
    settle();
    w.chart()->redrawNow();
    EXPECT_FALSE(w.chart()->bands().empty());

    // TARVO_SCREENSHOT_DIR keeps the pictures for a person to look at: the tab, the chart
    // with its bands and the report's first page.
    if (const char* dir = std::getenv("TARVO_SCREENSHOT_DIR")) {
        const QString folderName = QString::fromLocal8Bit(dir);
        tab.save(folderName + "/history_summary_tab.png");
        w.grab().save(folderName + "/history_excursion_bands.png");
        ReportOptions options;
        options.activationEnergy = w.activationEnergy();
        const std::string pdf = (folder / "report.pdf").string();
        ASSERT_TRUE(printReportToPdf(*w.document(), options, pdf));
        QProcess::execute("pdftoppm", {"-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile",
                                       QString::fromStdString(pdf),
                                       folderName + "/print_summary_block"});
    }
}

}  // namespace
}  // namespace tarvo::gui
