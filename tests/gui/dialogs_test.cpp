// The device-name manager, the serial settings dialog and the About box as the
// operator uses them.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/about_dialog.h"
#include "gui/device_names_dialog.h"
#include "gui/serial_settings_dialog.h"
#include "gui/translations.h"
#include "gui/window_fixture.h"

namespace tarvo::gui {
namespace {

class DeviceNamesDialogTest : public ::testing::Test, public test::WindowFixture {
  protected:
    DeviceNamesDialogTest() {
        start();
        dialog = std::make_unique<DeviceNamesDialog>(ws, window.get());
        dialog->show();
    }
    ~DeviceNamesDialogTest() override { dialog.reset(); }

    void select(int address) { dialog->list()->setCurrentRow(address - 1); }
    void type(const QString& text) {
        dialog->nameBox()->setText(text);
        emit dialog->nameBox()->editingFinished();
    }

    std::unique_ptr<DeviceNamesDialog> dialog;
};

TEST_F(DeviceNamesDialogTest, TheListAlwaysShowsTheDefaultNamesAndTheBoxTheWorkingName) {
    store.write("Display", "记录仪2", "二号库");
    ws.startUp({});
    dialog->hide();
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), "配置管理");
    ASSERT_EQ(dialog->list()->count(), 100);
    EXPECT_EQ(dialog->list()->item(0)->text(), "记录仪1");
    EXPECT_EQ(dialog->list()->item(1)->text(), "记录仪2");
    EXPECT_EQ(dialog->list()->item(99)->text(), "记录仪100");
    EXPECT_EQ(dialog->nameBox()->text(), "记录仪1");
    select(2);
    EXPECT_EQ(dialog->nameBox()->text(), "二号库");
}

TEST_F(DeviceNamesDialogTest, OkCommitsTheNamesByTheRuleAndTheSelectorStartsAtTheFirst) {
    window->deviceSelector()->setCurrentIndex(9);
    select(7);
    type("   ");  // only spaces: the default name
    select(8);
    type(" 八号 ");  // kept exactly as typed
    select(9);
    dialog->nameBox()->setText("九号");  // not yet left: OK takes it all the same
    dialog->okButton()->click();
    EXPECT_EQ(ws.displayNames()[7], "记录仪7");
    EXPECT_EQ(ws.displayNames()[8], " 八号 ");
    EXPECT_EQ(ws.displayNames()[9], "九号");
    EXPECT_EQ(window->deviceSelector()->itemText(7), " 八号 ");
    EXPECT_EQ(window->deviceSelector()->currentIndex(), 0);
    EXPECT_EQ(ws.selectedAddress(), 1);
    EXPECT_EQ(ws.engine().deviceAddress(), 1);
}

TEST_F(DeviceNamesDialogTest, CancelDropsTheEditsAndReopeningShowsTheCommittedNames) {
    select(4);
    type("四号");
    dialog->cancelButton()->click();
    EXPECT_EQ(ws.displayNames()[4], "记录仪4");
    EXPECT_FALSE(dialog->isVisible());
    dialog->show();
    select(4);
    EXPECT_EQ(dialog->nameBox()->text(), "记录仪4");
}

// ---- serial settings ------------------------------------------------------------

TEST(SerialSettingsDialog, TheBoxesShowTheSettingsAndOfferTheirEntries) {
    ProgramSettings s;
    s.ComPort = "COM3";
    s.OverTime = 500;
    s.CheckMode = "e";
    s.ResendTime = 4;
    s.ConferStyle = 1;
    SerialSettingsDialog dialog(s);
    EXPECT_EQ(dialog.windowTitle(), "串口设置");
    EXPECT_FALSE(dialog.findChildren<QLabel*>().isEmpty());
    bool heading = false;
    bool baudCaption = false;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        heading = heading || label->text() == "您确定将串口各参数设置为以下值吗？";
        // The line speed has its box beside its caption.
        baudCaption = baudCaption || (label->text() == "波特率" && !label->isHidden());
    }
    EXPECT_TRUE(heading);
    EXPECT_TRUE(baudCaption);

    EXPECT_EQ(dialog.box(0)->currentText(), "COM3");
    EXPECT_EQ(dialog.box(1)->currentText(), "500");
    EXPECT_EQ(dialog.box(2)->currentText(), "e");
    EXPECT_EQ(dialog.box(3)->currentText(), "4");
    EXPECT_EQ(dialog.box(4)->currentText(), "XY-001");
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(dialog.box(0)->itemText(n - 1), QString("COM%1").arg(n));
    EXPECT_EQ(dialog.box(1)->count(), 13);
    EXPECT_EQ(dialog.box(1)->itemText(12), "15000");
    EXPECT_EQ(dialog.box(2)->count(), 5);
    EXPECT_EQ(dialog.box(3)->count(), 5);
    EXPECT_EQ(dialog.box(4)->count(), 2);
}

TEST(SerialSettingsDialog, ThePortListFollowsPortsThatComeAndGoAndKeepsWhatTheBoxSays) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString link = dir.filePath("ttyLOGGER");
    ProgramSettings s;
    s.ComPort = link.toStdString();
    {
        SerialSettingsDialog dialog(s);  // the link is not there: not offered
        EXPECT_EQ(dialog.box(0)->findText(link), -1);
        EXPECT_EQ(dialog.box(0)->currentText(), link);
        EXPECT_TRUE(dialog.portTimer()->isActive());
    }
    ASSERT_TRUE(QFile::link("/dev/null", link));
    EXPECT_TRUE(SerialSettingsDialog::portEntries(link).contains(link));

    SerialSettingsDialog dialog(s);
    EXPECT_NE(dialog.box(0)->findText(link), -1);
    dialog.box(0)->setEditText("/dev/ttyUSB7");  // the operator is typing
    dialog.refreshPorts({"COM1", "/dev/ttyUSB0"});
    EXPECT_EQ(dialog.box(0)->count(), 2);
    EXPECT_EQ(dialog.box(0)->itemText(1), "/dev/ttyUSB0");
    EXPECT_EQ(dialog.box(0)->currentText(), "/dev/ttyUSB7");
    dialog.refreshPorts({"COM1"});  // the adapter was pulled
    EXPECT_EQ(dialog.box(0)->findText("/dev/ttyUSB0"), -1);
    EXPECT_EQ(dialog.values().comPort, "/dev/ttyUSB7");
}

TEST(SerialSettingsDialog, OkTakesTheBoxesAsTheyStandAndKeepsNumbersThatAreNone) {
    ProgramSettings s;
    s.ComPort = "/dev/pts/9";  // a port of the system's own name shows as it is
    SerialSettingsDialog dialog(s);
    EXPECT_EQ(dialog.box(0)->currentText(), "/dev/pts/9");
    dialog.box(0)->setCurrentText("COM12");
    dialog.box(1)->setCurrentText("2000");
    dialog.box(2)->setCurrentText("o");
    dialog.box(3)->setCurrentText("");
    dialog.box(4)->setCurrentIndex(1);
    const SerialDialogValues v = dialog.values();
    EXPECT_EQ(v.comPort, "COM12");
    EXPECT_EQ(v.overTime, 2000);
    EXPECT_EQ(v.checkMode, "o");
    EXPECT_EQ(v.resendTime, 3);  // empty: the setting it had
    EXPECT_EQ(v.conferStyle, 2);
    // The line speed offers the eight speeds, the strict timing is off unless stored.
    EXPECT_EQ(dialog.baudBox()->count(), 8);
    EXPECT_EQ(dialog.baudBox()->currentText(), "9600");
    EXPECT_EQ(dialog.baudBox()->itemText(7), "115200");
    EXPECT_EQ(dialog.strictTimingBox()->text(), "严格按时序接收");
    EXPECT_FALSE(dialog.strictTimingBox()->isChecked());
    dialog.baudBox()->setCurrentText("57600");
    dialog.strictTimingBox()->setChecked(true);
    EXPECT_EQ(dialog.values().baudRate, 57600);
    EXPECT_TRUE(dialog.values().strictTiming);
}

class SerialSettingsFlowTest : public ::testing::Test, public test::WindowFixture {};

TEST_F(SerialSettingsFlowTest, ConfirmedSettingsAreStoredAndTheChosenVariantConnects) {
    start();
    SerialSettingsDialog dialog(ws.settings(), window.get());
    dialog.box(1)->setCurrentText("300");
    dialog.box(4)->setCurrentIndex(0);  // XY-001
    ws.serialSettingsAccepted(dialog.values());
    EXPECT_EQ(store.read("ProgramSetting", "OverTime"), "300");
    EXPECT_EQ(store.read("ProgramSetting", "ConferStyle"), "1");
    EXPECT_TRUE(ws.engine().busy());
    EXPECT_FALSE(window->action(Command::Connect)->isEnabled());
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(ws.engine().flags().connected);
    EXPECT_TRUE(window->action(Command::Connect)->isEnabled());
}

// ---- About ----------------------------------------------------------------------

TEST(AboutDialog, ShowsVersionAndBuildAndLightsTheLinkUnderTheMouse) {
    AboutDialog about;
    about.show();
    EXPECT_EQ(about.windowTitle(), "About Tarvo");
    QStringList texts;
    for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains("Tarvo"));
    EXPECT_TRUE(texts.join('\n').contains("V4.2"));
    EXPECT_TRUE(texts.join('\n').contains("软件版本"));
    EXPECT_TRUE(texts.contains("Build 7082802"));
    EXPECT_TRUE(texts.contains("欢迎来访我们的主页"));
    EXPECT_EQ(about.okButton()->text(), "确定");

    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    EXPECT_FALSE(about.linkLit());
    // The mouse moving over the link lights it (the move reaches the dialog too).
    QTest::mouseMove(about.linkLabel(), about.linkLabel()->rect().center());
    EXPECT_TRUE(about.linkLit());
    EXPECT_TRUE(about.linkLabel()->font().underline());
    QTest::mouseMove(about.linkLabel(), about.linkLabel()->rect().center() + QPoint(1, 0));
    EXPECT_TRUE(about.linkLit());
    QTest::mouseMove(&about, QPoint(5, 5));
    EXPECT_FALSE(about.linkLit());
    EXPECT_FALSE(about.linkLabel()->font().underline());
}

// ---- Qt's own texts ----------------------------------------------------------------

TEST(ChineseTranslations, PutTheStandardButtonsAndDialogsIntoChinese) {
    QObject owner;
    ASSERT_TRUE(installChineseTranslations(&owner));
    QMessageBox box(QMessageBox::Question, "退出", "?", QMessageBox::Yes | QMessageBox::No);
    const QString yes = box.button(QMessageBox::Yes)->text();
    EXPECT_FALSE(yes.contains("Yes")) << yes.toStdString();
    EXPECT_TRUE(yes.contains(QString::fromUtf8("是"))) << yes.toStdString();
    QFileDialog files(nullptr, "打开为...");
    files.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (QLabel* label : files.findChildren<QLabel*>()) labels << label->text();
    EXPECT_FALSE(labels.join('|').contains("Look in")) << labels.join('|').toStdString();
}

}  // namespace
}  // namespace tarvo::gui
