// The small command dialogs as the operator uses them: the power mode, the logger
// clock, the SMS numbers and password, the live sampling settings, the please-wait
// window and the print options with the print command around them.

#include <gtest/gtest.h>
#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "core/logger_parameters.h"
#include "core/memory_settings_store.h"
#include "core/settings.h"
#include "gui/clock_dialog.h"
#include "gui/digit_line_edit.h"
#include "gui/live_settings_dialog.h"
#include "gui/mobile_dialog.h"
#include "gui/password_dialog.h"
#include "gui/please_wait_window.h"
#include "gui/power_dialog.h"
#include "gui/print_dialog.h"
#include "gui/print_flow.h"
#include "gui/qt_report_painter.h"
#include "link/link_fakes.h"
#include "link/virtual_timers.h"
#include "sim/sim_config.h"
#include "sim/sim_logger.h"
#include "sim/sim_serial_port.h"
#include "workstation/workstation.h"

namespace tarvo::gui {
namespace {

// Fails `test` when `dialog` or any other modal dialog is still up, and closes them. A
// check that comes due after its test has ended does nothing: the dialogs up then belong
// to a later test (all of them run in one process when the binary is run by hand).
void closeLeftOpen(QPointer<QDialog> dialog, const testing::TestInfo* test) {
    if (testing::UnitTest::GetInstance()->current_test_info() != test) return;
    auto* up = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!up && (!dialog || !dialog->isVisible())) return;
    ADD_FAILURE() << "a dialog was left open";
    (up ? up : dialog.data())->reject();
    QTimer::singleShot(500, [dialog, test] { closeLeftOpen(dialog, test); });
}

// Runs `act` on the modal dialog of type D once it is up (its exec under way); `act`
// is to close it. When none comes up within five seconds, or `act` leaves it open, the
// test fails and the dialog is closed, so that nothing waits for ever.
template <class D>
void onModal(std::function<void(D&)> act) {
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<D*>(modal); dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            // Whatever modal dialog is still up a while later (this one, or one that
            // `act` brought up by mistake) fails this test, if it still runs, and is closed.
            const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
            QTimer::singleShot(
                3000, [left = QPointer<QDialog>(dialog), test] { closeLeftOpen(left, test); });
            act(*dialog);
            return;
        }
        if (++*tries < 500) return;
        poll->stop();
        poll->deleteLater();
        ADD_FAILURE() << "no modal dialog of the expected kind";
        if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
    });
    poll->start();
}

// ---- dlgPower -------------------------------------------------------------------

TEST(PowerDialog, ShowsTheCurrentModeAndOkTellsWhichModeToSend) {
    struct Case {
        std::int16_t powerMode;
        int pick;  // the item chosen before OK, -1: the preset
        bool normal;
    };
    for (const Case& c : {Case{kPowerNormal, -1, true}, Case{kPowerSaving, -1, false},
                          Case{kPowerNormal, 1, false}, Case{kPowerSaving, 0, true}}) {
        onModal<PowerDialog>([c](PowerDialog& d) {
            EXPECT_EQ(d.windowTitle(), "设置功耗模式");
            EXPECT_EQ(d.modeBox()->currentIndex(), c.powerMode == kPowerNormal ? 0 : 1);
            if (c.pick >= 0) d.modeBox()->setCurrentIndex(c.pick);
            d.okButton()->click();
        });
        EXPECT_EQ(PowerDialog::choose(c.powerMode, nullptr), c.normal) << c.powerMode << c.pick;
    }
    onModal<PowerDialog>([](PowerDialog& d) { d.cancelButton()->click(); });
    EXPECT_EQ(PowerDialog::choose(kPowerNormal, nullptr), std::nullopt);
}

TEST(PowerDialog, TheSavingItemCarriesItsTrailingBlank) {
    PowerDialog dialog(kPowerSaving);
    EXPECT_EQ(dialog.modeBox()->currentText(), "省电模式 ");
    EXPECT_EQ(dialog.modeBox()->itemText(0), "正常模式");
}

// ---- frmEqpTime -----------------------------------------------------------------

TEST(ClockDialog, ShowsTheLoggerClockAndOkReturnsThePickedSecond) {
    const DateTime clock = makeDateTime(2024, 3, 5, 9, 58, 7);
    onModal<ClockDialog>([](ClockDialog& d) {
        EXPECT_EQ(d.windowTitle(), "设置记录仪时钟");
        EXPECT_EQ(d.picker()->text(), "2024-03-05 09:58:07");
        d.picker()->setDateTime(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59)));
        d.okButton()->click();
    });
    EXPECT_EQ(ClockDialog::choose(clock, nullptr), makeDateTime(2025, 12, 31, 23, 59, 59));

    onModal<ClockDialog>([](ClockDialog& d) { d.cancelButton()->click(); });
    EXPECT_EQ(ClockDialog::choose(clock, nullptr), std::nullopt);
}

// ---- digit-only boxes -----------------------------------------------------------

TEST(DigitLineEdit, ALetterLeavesThePreviousTextAndThePasteOfOneToo) {
    DigitLineEdit box;
    box.setMaxLength(11);
    QTest::keyClicks(&box, "13a8");
    EXPECT_EQ(box.text(), "138");
    EXPECT_EQ(box.cursorPosition(), 3);
    QTest::keyClicks(&box, "-");
    EXPECT_EQ(box.text(), "138");
    // A change without a key press (a paste) falls back to the text just before it.
    box.insert("5");
    box.insert("x9");
    EXPECT_EQ(box.text(), "1385");
    QTest::keyClicks(&box, "12345678");
    EXPECT_EQ(box.text(), "13851234567");  // at most eleven
}

// ---- dlgMobile ------------------------------------------------------------------

TEST(MobileDialog, OkKeepsOnlyNumbersOfElevenDigits) {
    onModal<MobileDialog>([](MobileDialog& d) {
        EXPECT_EQ(d.windowTitle(), "手机号码");
        EXPECT_EQ(d.box(0)->maxLength(), 11);
        QTest::keyClicks(d.box(0), "1380013800");  // ten digits: no number
        d.box(1)->clear();
        QTest::keyClicks(d.box(1), "1390a0139000");
        d.okButton()->click();
    });
    const auto numbers = MobileDialog::choose({"", "13700137000", "13600136000"}, nullptr);
    ASSERT_TRUE(numbers.has_value());
    EXPECT_EQ(*numbers, (std::array<std::string, 3>{"", "13900139000", "13600136000"}));

    onModal<MobileDialog>([](MobileDialog& d) { d.cancelButton()->click(); });
    EXPECT_EQ(MobileDialog::choose({}, nullptr), std::nullopt);
}

// ---- dlgPwd ---------------------------------------------------------------------

TEST(PasswordDialog, AShortPasswordIsToldAndTheDialogStaysUntilBothHaveEightDigits) {
    tarvo::test::RecordingMessenger messenger;
    onModal<PasswordDialog>([&messenger](PasswordDialog& d) {
        EXPECT_EQ(d.windowTitle(), "短信密码");
        QTest::keyClicks(d.oldBox(), "1234567");
        QTest::keyClicks(d.newBox(), "87654321");
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
        // The short box comes back selected for another try.
        EXPECT_EQ(d.oldBox()->selectedText(), "1234567");
        QTest::keyClicks(d.oldBox(), "12345678");
        d.newBox()->setText("8765");
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
        QTest::keyClicks(d.newBox(), "876543219");  // the ninth digit does not fit
        d.okButton()->click();
    });
    const auto passwords = PasswordDialog::choose(messenger, nullptr);
    EXPECT_EQ(messenger.texts(),
              (std::vector<std::string>{"旧密码长度不足8位!", "新密码长度不足8位!"}));
    ASSERT_TRUE(passwords.has_value());
    EXPECT_EQ(*passwords, (SmsPasswords{"12345678", "87654321"}));

    onModal<PasswordDialog>([](PasswordDialog& d) { d.cancelButton()->click(); });
    EXPECT_EQ(PasswordDialog::choose(messenger, nullptr), std::nullopt);
    EXPECT_EQ(messenger.shown.size(), 2u);
}

// ---- dlgReal --------------------------------------------------------------------

// A workstation (without a window) whose stored settings sample every 75 s into
// /srv/live with automatic saving off.
class LiveSettingsDialogTest : public ::testing::Test {
  protected:
    LiveSettingsDialogTest()
        : logger(demoConfig(), kPcNow),
          port(
              logger, [this] { return timers.elapsedMs(); }, true, [this] { return timers.now(); }),
          ws(timers, port, messenger, store) {
        store.write("ProgramSetting", "RealInterval", "75");
        store.write("ProgramSetting", "AutoSave", "-10");
        store.write("ProgramSetting", "FilePath", "/srv/live");
        ws.startUp({});
        store.clearWrites();
    }
    std::optional<std::string> stored(const char* key) const {
        return store.read("ProgramSetting", key);
    }
    bool wroteSettings() const { return !store.writes().empty(); }

    static inline const DateTime kPcNow = makeDateTime(2024, 3, 5, 10, 0, 0);
    VirtualTimers timers{kPcNow};
    SimLogger logger;
    SimSerialPort port;
    tarvo::test::RecordingMessenger messenger;
    MemorySettingsStore store;
    Workstation ws;
};

TEST_F(LiveSettingsDialogTest, LoadsThePeriodTheSavingAndTheFolder) {
    ProgramSettings settings = ws.settings();
    settings.AutoSave = 10;
    LiveSettingsDialog dialog(settings, {}, messenger);
    EXPECT_EQ(dialog.windowTitle(), "实时采样间隔设置");
    EXPECT_EQ(dialog.intervalPicker()->text(), "00:01:15");
    EXPECT_EQ(dialog.intervalPicker()->minimumTime(), QTime(0, 0, 10));
    EXPECT_EQ(dialog.intervalPicker()->maximumTime(), QTime(23, 59, 59));
    EXPECT_TRUE(dialog.autoSaveBox()->isChecked());
    EXPECT_EQ(dialog.autoSaveBox()->text(), "自动保存");
    EXPECT_EQ(dialog.folderLabel()->text(), "/srv/live");
    EXPECT_EQ(dialog.chooseButton()->text(), "选择");
    const QString all = dialog.findChild<QLabel*>("Label1")->text();
    EXPECT_TRUE(all.startsWith("说明：\n该值不得小于\"00:00:10\"或大于\"23:59:59\"。\n"))
        << all.toStdString();
    EXPECT_TRUE(all.endsWith("如果大于24小时，将自动设置为24小时。"));
}

TEST_F(LiveSettingsDialogTest, AutoSaveWithoutAFolderIsRefusedAndTheDialogStays) {
    onModal<LiveSettingsDialog>([this](LiveSettingsDialog& d) {
        d.autoSaveBox()->setChecked(true);
        d.folderChosen(std::nullopt);  // a cancelled browser empties the folder
        EXPECT_EQ(d.folderLabel()->text(), "");
        d.okButton()->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(messenger.texts(), std::vector<std::string>{"请选择保存路径."});
        EXPECT_FALSE(wroteSettings());
        d.folderChosen("/data/实时");
        d.intervalPicker()->setTime(QTime(0, 0, 30));
        d.okButton()->click();
    });
    ASSERT_TRUE(LiveSettingsDialog::choose(ws, nullptr));
    EXPECT_EQ(ws.settings().AutoSave, 10);
    EXPECT_EQ(ws.settings().FilePath, "/data/实时");
    EXPECT_EQ(ws.settings().RealInterval, 30);
    EXPECT_EQ(stored("RealInterval"), "30");
    EXPECT_EQ(stored("FilePath"), "/data/实时");
    EXPECT_EQ(stored("AutoSave"), "10");
}

TEST_F(LiveSettingsDialogTest, UntickedSavingStoresMinusTenAndKeepsTheFolder) {
    onModal<LiveSettingsDialog>([](LiveSettingsDialog& d) {
        d.autoSaveBox()->setChecked(false);
        d.folderChosen(std::nullopt);
        d.intervalPicker()->setTime(QTime(2, 3, 4));
        d.okButton()->click();
    });
    ASSERT_TRUE(LiveSettingsDialog::choose(ws, nullptr));
    EXPECT_EQ(ws.settings().AutoSave, -10);
    EXPECT_EQ(ws.settings().FilePath, "/srv/live");
    EXPECT_EQ(ws.settings().RealInterval, 2 * 3600 + 3 * 60 + 4);
    EXPECT_TRUE(wroteSettings());
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(LiveSettingsDialogTest, CancelChangesAndStoresNothing) {
    onModal<LiveSettingsDialog>([](LiveSettingsDialog& d) {
        d.intervalPicker()->setTime(QTime(1, 0, 0));
        d.autoSaveBox()->setChecked(true);
        d.cancelButton()->click();
    });
    EXPECT_FALSE(LiveSettingsDialog::choose(ws, nullptr));
    EXPECT_EQ(ws.settings().RealInterval, 75);
    EXPECT_FALSE(wroteSettings());
}

TEST_F(LiveSettingsDialogTest, TheFolderBrowserFillsTheFolderLabel) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tarvo-live-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    ProgramSettings settings = ws.settings();
    settings.FilePath = folder.parent_path().string();
    LiveSettingsDialog dialog(settings, {}, messenger);
    dialog.show();
    onModal<QFileDialog>([&folder](QFileDialog& browser) {
        EXPECT_EQ(browser.windowTitle(), "请选择保存路径：");
        EXPECT_EQ(browser.fileMode(), QFileDialog::Directory);
        // Going into the folder chooses it (selecting an entry races with the
        // browser's listing, which runs in the background).
        browser.setDirectory(QString::fromStdString(folder.string()));
        static_cast<QDialog&>(browser).done(QDialog::Accepted);
    });
    dialog.chooseButton()->click();
    EXPECT_EQ(std::filesystem::path(dialog.folderLabel()->text().toStdString()), folder);
    std::filesystem::remove(folder);

    onModal<QFileDialog>([](QFileDialog& browser) { browser.reject(); });
    dialog.chooseButton()->click();
    EXPECT_EQ(dialog.folderLabel()->text(), "");
}

// ---- frmWaitting ----------------------------------------------------------------

TEST(PleaseWaitWindow, ComesUpWithoutBlockingAndStaysOnTop) {
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    PleaseWaitWindow wait(&owner);
    wait.popUp();
    EXPECT_TRUE(wait.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(wait.isWindow());
    EXPECT_TRUE(wait.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(wait.windowTitle(), "请稍候...");
    EXPECT_EQ(wait.textLabel()->text(), "正在重启记录中，请稍候。。。。。。 ");
    wait.close();
    EXPECT_FALSE(wait.isVisible());
}

// ---- dlgPrint and the print command ---------------------------------------------

// A day of two channels at ten-minute intervals, both printed as an upload leaves them.
HistoryDocument printableDocument() {
    HistoryDocument doc;
    const DateTime start = makeDateTime(2024, 3, 5, 8, 0, 0);
    const DateTime interval = makeDuration(0, 10, 0);
    const std::int16_t codes[] = {0, 2};
    const char* types[] = {"温度      ", "湿度      "};
    const char* units[] = {"℃        ", "%RH       "};
    for (int c = 0; c < 2; ++c) {
        ChannelRecord r;
        r.channel = codes[c];
        r.typeText = types[c];
        r.unitText = units[c];
        r.rangeLow = c == 0 ? -20 : 0;
        r.rangeHigh = c == 0 ? 60 : 100;
        r.alarmHigh = c == 0 ? 28 : 80;
        r.alarmLow = c == 0 ? 2 : 20;
        r.userName = "Alice";
        r.title = "冷库一号";
        r.versionDate = makeDateTime(2006, 3, 7);
        r.startTime = start;
        r.stopTime = start + 144 * interval;
        r.workStatus = kWorkRecording;
        for (int k = 0; k < 144; ++k) {
            const double phase = 6.2831853 * k / 144;
            r.values.push_back(
                static_cast<float>(c == 0 ? 15 + 12 * std::sin(phase) : 55 + 25 * std::cos(phase)));
            r.times.push_back(start + k * interval);
        }
        doc.channels.push_back(std::move(r));
    }
    doc.loaded = true;
    doc.caption = "记录仪文件1";
    resetView(doc);
    return doc;
}

Qt::CheckState checkOf(const PrintDialog& d, std::string_view key) {
    return d.item(key)->checkState(0);
}

TEST(PrintDialog, ShowsOneNodePerChannelWithItsTwoChildren) {
    HistoryDocument doc = printableDocument();
    doc.channels[1].printList = false;
    PrintDialog dialog(printDialogFor(doc));
    EXPECT_EQ(dialog.windowTitle(), "打印选项");
    EXPECT_EQ(dialog.width(), 5628 / 15);
    QTreeWidget* tree = dialog.tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    // After the channels, the summary block's own node, checked and without children.
    EXPECT_EQ(tree->topLevelItem(2)->text(0), "统计汇总");
    EXPECT_EQ(tree->topLevelItem(2)->childCount(), 0);
    EXPECT_EQ(checkOf(dialog, "统计汇总"), Qt::Checked);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "通道0:温度");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "通道2:湿度");
    ASSERT_EQ(tree->topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(tree->topLevelItem(1)->child(0)->text(0), "曲线图");
    EXPECT_EQ(tree->topLevelItem(1)->child(1)->text(0), "数据列表");
    EXPECT_TRUE(tree->topLevelItem(1)->isExpanded());
    EXPECT_EQ(checkOf(dialog, "通道1"), Qt::Checked);
    EXPECT_EQ(checkOf(dialog, "通道2"), Qt::Unchecked);  // not both children
    EXPECT_EQ(checkOf(dialog, "T通道2"), Qt::Checked);
    EXPECT_EQ(checkOf(dialog, "L通道2"), Qt::Unchecked);
}

TEST(PrintDialog, ClicksFollowTheTreeRules) {
    PrintDialog dialog(printDialogFor(printableDocument()));
    // A child unchecked unchecks its parent; checked again, the parent follows only when
    // its sibling is checked too.
    dialog.item("T通道1")->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(checkOf(dialog, "通道1"), Qt::Unchecked);
    EXPECT_EQ(checkOf(dialog, "L通道1"), Qt::Checked);
    dialog.item("T通道1")->setCheckState(0, Qt::Checked);
    EXPECT_EQ(checkOf(dialog, "通道1"), Qt::Checked);
    // A top node passes its state to both children.
    dialog.item("通道2")->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(checkOf(dialog, "T通道2"), Qt::Unchecked);
    EXPECT_EQ(checkOf(dialog, "L通道2"), Qt::Unchecked);
    dialog.item("L通道2")->setCheckState(0, Qt::Checked);
    EXPECT_EQ(checkOf(dialog, "通道2"), Qt::Unchecked);
    bool curve = true, list = false;
    ASSERT_TRUE(dialog.model().getValue("通道2", curve, list));
    EXPECT_FALSE(curve);
    EXPECT_TRUE(list);
}

TEST(PrintDialog, TheFontDialogSetsThePrintFontAndCancelKeepsIt) {
    PrintDialog dialog(printDialogFor(printableDocument()));
    dialog.show();
    EXPECT_EQ(dialog.model().printFont, (ReportFont{"宋体", 9, false}));
    // The dialog offers the font the report prints with; OK on it changes nothing.
    const QString printed = QFontInfo(reportQFont(dialog.model().printFont)).family();
    onModal<QFontDialog>([printed](QFontDialog& fonts) {
        EXPECT_EQ(fonts.currentFont().family(), printed);
        EXPECT_EQ(fonts.currentFont().pointSizeF(), 9);
        fonts.accept();
    });
    dialog.fontButton()->click();
    EXPECT_EQ(dialog.model().printFont, (ReportFont{"宋体", 9, false}));

    onModal<QFontDialog>([](QFontDialog& fonts) {
        EXPECT_EQ(fonts.windowTitle(), "选择打印字体");
        QFont chosen = fonts.currentFont();
        chosen.setPointSize(12);
        fonts.setCurrentFont(chosen);
        fonts.accept();
    });
    dialog.fontButton()->click();
    EXPECT_EQ(dialog.model().printFont.pointSize, 12);
    const ReportFont afterOk = dialog.model().printFont;

    onModal<QFontDialog>([](QFontDialog& fonts) { fonts.reject(); });
    dialog.fontButton()->click();
    EXPECT_EQ(dialog.model().printFont, afterOk);
}

TEST(PrintFlow, TheChoicesReachTheDocumentEvenWhenNoPrinterIsChosen) {
    HistoryDocument doc = printableDocument();
    onModal<PrintDialog>([](PrintDialog& d) {
        d.item("T通道1")->setCheckState(0, Qt::Unchecked);
        d.item("通道2")->setCheckState(0, Qt::Unchecked);
        d.item("L通道2")->setCheckState(0, Qt::Checked);
        onModal<QPrintDialog>([](QPrintDialog& printer) {
            EXPECT_EQ(printer.windowTitle(), "选择打印机");
            printer.reject();
        });
        d.okButton()->click();
    });
    EXPECT_FALSE(printHistoryDocument(doc, {}, nullptr));
    EXPECT_FALSE(doc.channels[0].printCurve);
    EXPECT_TRUE(doc.channels[0].printList);
    EXPECT_FALSE(doc.channels[1].printCurve);
    EXPECT_TRUE(doc.channels[1].printList);
}

TEST(PrintFlow, PrintingToAFileWritesTheReportAsPdf) {
    const std::filesystem::path pdf = std::filesystem::temp_directory_path() /
                                      ("tarvo-print-" + std::to_string(::getpid()) + ".pdf");
    HistoryDocument doc = printableDocument();
    onModal<PrintDialog>([&pdf](PrintDialog& d) {
        d.item("L通道2")->setCheckState(0, Qt::Unchecked);
        onModal<QPrintDialog>([&pdf](QPrintDialog& printer) {
            // Without a printer the dialog offers only printing to a PDF file.
            auto* file = printer.findChild<QLineEdit*>(QStringLiteral("filename"));
            ASSERT_NE(file, nullptr);
            EXPECT_TRUE(file->text().endsWith("/记录仪文件1.pdf")) << file->text().toStdString();
            file->setText(QString::fromStdString(pdf.string()));
            static_cast<QDialog&>(printer).accept();
        });
        d.okButton()->click();
    });
    ASSERT_TRUE(printHistoryDocument(doc, {}, nullptr));
    EXPECT_FALSE(doc.channels[1].printList);
    std::ifstream in(pdf, std::ios::binary);
    std::string magic(5, '\0');
    in.read(magic.data(), 5);
    EXPECT_EQ(magic, "%PDF-");
    in.close();
    // TARVO_SCREENSHOT_DIR names a folder that keeps the printed file.
    if (const char* folder = std::getenv("TARVO_SCREENSHOT_DIR"))
        std::filesystem::copy_file(pdf, std::filesystem::path(folder) / "print.pdf",
                                   std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(pdf);
}

TEST(PrintFlow, CancelInTheOptionsLeavesTheDocumentAlone) {
    HistoryDocument doc = printableDocument();
    onModal<PrintDialog>([](PrintDialog& d) {
        d.item("通道1")->setCheckState(0, Qt::Unchecked);
        d.cancelButton()->click();
    });
    EXPECT_FALSE(printHistoryDocument(doc, {}, nullptr));
    EXPECT_TRUE(doc.channels[0].printCurve);
    EXPECT_TRUE(doc.channels[0].printList);
}

}  // namespace
}  // namespace tarvo::gui
