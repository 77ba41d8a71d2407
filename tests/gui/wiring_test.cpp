// The main window's logger commands reach the workstation: the pane's write button,
// the inline editors of the property list, live sampling into the live window and the
// maintenance entries, against the simulated logger in virtual time.

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/gbk.h"
#include "files/file_names.h"
#include "files/scratch_folder.h"
#include "gui/live_window.h"
#include "gui/main_window.h"
#include "gui/message_box_messenger.h"
#include "gui/please_wait_window.h"
#include "gui/property_editor_widget.h"
#include "gui/property_pane_widget.h"
#include "gui/save_choice_dialog.h"
#include "gui/translations.h"
#include "gui/window_fixture.h"
#include "link/frames.h"

namespace tarvo::gui {
namespace {

class WiringTest : public ::testing::Test, public test::WindowFixture {
  protected:
    // Logged in with the advanced commands, connected to the demo logger.
    void startConnected() {
        start();
        window->show();
        ASSERT_TRUE(ws.login("qzd", "qzd"));
        ASSERT_TRUE(connectAndWait());
    }
    int rowOf(const std::string& key) const {
        const auto& rows = ws.pane().rows();
        const auto it =
            std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.key == key; });
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    }
    std::string valueOf(const std::string& key) const {
        const int row = rowOf(key);
        return row < 0 ? std::string() : ws.pane().rows()[static_cast<std::size_t>(row)].value;
    }
    // The operator's double click on the row of `key`.
    PropertyEditorWidget* doubleClick(const std::string& key) {
        const int row = rowOf(key);
        if (row < 0) return nullptr;
        QTreeWidget* list = window->propertyPane()->rowList();
        emit list->itemDoubleClicked(list->topLevelItem(row), 1);
        return window->propertyEditor();
    }
};

TEST_F(WiringTest, TheWriteButtonFollowsTheParametersAndRestartsUnderThePleaseWaitWindow) {
    start();
    window->show();
    QPushButton* write = window->propertyPane()->writeButton();
    EXPECT_FALSE(write->isEnabled());
    ASSERT_TRUE(connectAndWait());
    ASSERT_TRUE(write->isEnabled());

    // Yes to clearing the logger, Yes to setting its clock to the PC time.
    messenger.otherwise = Answer::Yes;
    const std::size_t before = port.sentFrames().size();
    write->click();
    const auto waiting = [this] {
        return window->pleaseWaitWindow() && window->pleaseWaitWindow()->isVisible();
    };
    ASSERT_TRUE(timers.runUntil(waiting, 600000));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_FALSE(window->pleaseWaitWindow()->isVisible());
    // The parameter write went out.
    const auto& sent = port.sentFrames();
    EXPECT_TRUE(std::any_of(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end(),
                            [](const Bytes& f) { return f.size() == 185u; }));
}

TEST_F(WiringTest, TheRestartEntryCommitsAnOpenEditorFirstAndARefusedEditStopsIt) {
    startConnected();
    messenger.otherwise = Answer::Yes;
    const auto parameterWrites = [this] {
        const auto& sent = port.sentFrames();
        return std::count_if(sent.begin(), sent.end(),
                             [](const Bytes& f) { return f.size() == 185u; });
    };

    // An alarm limit beyond the 16-bit range is refused: nothing is written.
    const auto& rows = ws.pane().rows();
    const auto alarm = std::find_if(rows.begin(), rows.end(), [](const PropertyRow& r) {
        return r.key.rfind("通道报警上限", 0) == 0;
    });
    ASSERT_NE(alarm, rows.end());
    const std::string alarmKey = alarm->key;
    const std::string alarmBefore = alarm->value;
    PropertyEditorWidget* editor = doubleClick(alarmKey);
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor->lineEdit(), nullptr);
    editor->lineEdit()->setText(QStringLiteral("99999"));
    window->action(Command::Restart)->trigger();
    EXPECT_EQ(window->propertyEditor(), nullptr);
    EXPECT_EQ(valueOf(alarmKey), alarmBefore);
    EXPECT_EQ(parameterWrites(), 0);
    EXPECT_FALSE(ws.engine().busy());

    // An accepted edit is in the record before the restart writes it.
    editor = doubleClick("用户名");
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor->lineEdit(), nullptr);
    editor->lineEdit()->setText(QStringLiteral("新用户"));
    window->action(Command::Restart)->trigger();
    EXPECT_EQ(ws.loggerParams().userName, "新用户");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(parameterWrites(), 1);
    EXPECT_EQ(logger.state().userName, "新用户");
}

TEST_F(WiringTest, TheIntervalRowOpensATimePickerThatCommitsOnEnterAndCancelsOnEscape) {
    startConnected();
    PropertyEditorWidget* editor = doubleClick("间隔时间");
    ASSERT_NE(editor, nullptr);
    auto* picker = qobject_cast<QTimeEdit*>(editor->picker());
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(editor->parentWidget(), window->propertyPane()->editorHost());
    EXPECT_GE(editor->geometry().left(), window->propertyPane()->rowList()->columnWidth(0) - 1);

    // Escape leaves the record as it was.
    const std::string shown = valueOf("间隔时间");
    picker->setTime(QTime(0, 7, 0));
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_EQ(valueOf("间隔时间"), shown);

    editor = doubleClick("间隔时间");
    ASSERT_NE(editor, nullptr);
    picker = qobject_cast<QTimeEdit*>(editor->picker());
    ASSERT_NE(picker, nullptr);
    picker->setTime(QTime(0, 5, 30));
    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(ws.loggerParams().intervalHours, 0);
    EXPECT_EQ(ws.loggerParams().intervalMinutes, 5);
    EXPECT_EQ(ws.loggerParams().intervalSeconds, 30);
    EXPECT_EQ(valueOf("间隔时间"), "0:05:30");
    EXPECT_EQ(window->propertyPane()->rowList()->topLevelItem(rowOf("间隔时间"))->text(1),
              "0:05:30");

    // The picker holds the shortest interval; leaving it commits as well.
    editor = doubleClick("间隔时间");
    ASSERT_NE(editor, nullptr);
    picker = qobject_cast<QTimeEdit*>(editor->picker());
    picker->setTime(QTime(0, 0, 1));
    editor->commit();
    EXPECT_EQ(ws.loggerParams().intervalMinutes, 0);
    EXPECT_EQ(ws.loggerParams().intervalSeconds, 2);
}

TEST_F(WiringTest, TheStopModeTreeKeepsOneCheckMarkAndCommitsIt) {
    startConnected();
    PropertyEditorWidget* editor = doubleClick("停止方式");
    ASSERT_NE(editor, nullptr);
    QTreeWidget* tree = editor->checkTree();
    ASSERT_NE(tree, nullptr);
    ASSERT_GE(tree->topLevelItemCount(), 2);
    const auto checkedRows = [tree] {
        std::vector<int> rows;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->checkState(0) == Qt::Checked) rows.push_back(i);
        return rows;
    };
    ASSERT_EQ(checkedRows().size(), 1u);
    const int other = checkedRows()[0] == 0 ? 1 : 0;
    const std::int16_t before = ws.loggerParams().stopMode;

    tree->topLevelItem(other)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(checkedRows(), std::vector<int>{other});
    EXPECT_EQ(editor->state().nodes[static_cast<std::size_t>(other)].checked, true);
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_EQ(window->propertyEditor(), nullptr);
    EXPECT_NE(ws.loggerParams().stopMode, before);
}

TEST_F(WiringTest, StartingLiveSamplingShowsTheLiveWindowAndSamplesArriveInVirtualTime) {
    startConnected();
    window->action(Command::LiveStart)->trigger();
    LiveWindow* live = window->liveWindow();
    ASSERT_NE(live, nullptr);
    EXPECT_TRUE(window->liveSubWindow()->isVisible());
    EXPECT_EQ(window->mdiArea()->activeSubWindow(), window->liveSubWindow());
    EXPECT_TRUE(window->action(Command::ViewLiveWindow)->isChecked());

    ASSERT_TRUE(timers.runUntil([this] { return ws.liveDocument().sampleCount() >= 3; }, 600000));
    QApplication::processEvents();
    EXPECT_TRUE(live->redrawPending() || live->scene() != nullptr);

    window->action(Command::LiveStop)->trigger();
    runUntilIdle();
    // The view entry hides the window and shows the same one again.
    window->action(Command::ViewLiveWindow)->trigger();
    EXPECT_FALSE(window->liveSubWindow()->isVisible());
    window->action(Command::ViewLiveWindow)->trigger();
    EXPECT_EQ(window->liveWindow(), live);
    EXPECT_TRUE(window->liveSubWindow()->isVisible());

    // A new connect rebuilds the live document: the window goes, and comes back empty.
    ASSERT_TRUE(connectAndWait());
    EXPECT_FALSE(window->liveSubWindow()->isVisible());
    EXPECT_FALSE(window->action(Command::ViewLiveWindow)->isChecked());
    EXPECT_EQ(ws.liveDocument().sampleCount(), 0);
    window->action(Command::ViewLiveWindow)->trigger();
    EXPECT_TRUE(window->liveSubWindow()->isVisible());
    EXPECT_FALSE(live->cursorIndex().has_value());

    // The window that is only ever hidden does not keep the program open.
    EXPECT_TRUE(window->close());
}

TEST_F(WiringTest, ClosingTheLiveWindowWhileSamplingAsksAndTheHistoryWindowLeftBecomesActive) {
    startConnected();
    messenger.answers.push_back(Answer::Yes);
    window->action(Command::Upload)->trigger();
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(ws.documents().size(), 1u);
    window->action(Command::LiveStart)->trigger();
    ASSERT_TRUE(timers.runUntil([this] { return ws.liveDocument().sampleCount() >= 1; }, 600000));
    ASSERT_EQ(window->mdiArea()->activeSubWindow(), window->liveSubWindow());

    messenger.shown.clear();
    messenger.answers = {Answer::No};
    window->liveSubWindow()->close();
    QApplication::processEvents();
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"实时数据仍在采集中,是否退出?"});
    EXPECT_TRUE(window->liveSubWindow()->isVisible());
    EXPECT_TRUE(ws.engine().flags().liveRunning);

    messenger.answers = {Answer::Yes};
    window->liveSubWindow()->close();
    QApplication::processEvents();
    EXPECT_FALSE(window->liveSubWindow()->isVisible());
    EXPECT_FALSE(ws.engine().flags().liveRunning);
    EXPECT_FALSE(window->action(Command::ViewLiveWindow)->isChecked());
    // The history window left on screen is the active child: save and print are at hand.
    EXPECT_EQ(ws.activeChild(), (ActiveChild{ChildKind::History, 0}));
    EXPECT_TRUE(window->action(Command::FileSaveAs)->isEnabled());
    EXPECT_TRUE(window->action(Command::FilePrint)->isEnabled());
    EXPECT_TRUE(window->action(Command::Connect)->isEnabled());
}

// Runs `answer` on the next modal dialog as soon as it is up.
void whenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer = std::move(answer)] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
        }
    });
    timer->start(10);
}

// With TARVO_SCREENSHOT_DIR set, keeps a picture of the screen (of `widget` where the
// platform has no screen to grab) under `name` there.
void screenshot(QWidget* widget, const QString& name) {
    const char* folder = std::getenv("TARVO_SCREENSHOT_DIR");
    if (!folder) return;
    QApplication::processEvents();
    QPixmap picture;
    if (QScreen* screen = QGuiApplication::primaryScreen()) picture = screen->grabWindow(0);
    if (picture.isNull() || picture.toImage().allGray()) picture = widget->grab();
    picture.save(QString::fromLocal8Bit(folder) + "/" + name);
}

TEST_F(WiringTest, TheLiveWindowIsSavedFromTheFileMenuInTheKindItsNameSays) {
    QObject translations;  // the operator's dialogs speak Chinese
    installChineseTranslations(&translations);
    testing::ScratchFolder folder;
    ws.setTemplates(TemplateLocator(std::filesystem::path(TARVO_BINARY_DIR) / "bin" /
                                    "FileMode" / "default.mdb"));
    startConnected();
    window->action(Command::LiveStart)->trigger();
    ASSERT_TRUE(timers.runUntil([this] { return ws.liveDocument().sampleCount() >= 3; }, 600000));
    QApplication::processEvents();
    ASSERT_EQ(ws.activeChild().kind, ChildKind::Live);
    ASSERT_TRUE(window->action(Command::FileSaveAs)->isEnabled());

    const auto csv = folder / "实时.csv";
    whenModal([&](QWidget* choice) {
        whenModal([&](QWidget* files) {
            auto* dialog = qobject_cast<QFileDialog*>(files);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "保存为...");
            auto* box = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(box, nullptr);
            box->setText(QString::fromStdString(pathText(csv)));
            screenshot(dialog, QStringLiteral("live_window_save.png"));
            whenModal([](QWidget* question) {
                auto* create = qobject_cast<QMessageBox*>(question);
                ASSERT_NE(create, nullptr);
                create->button(QMessageBox::Yes)->click();
            });
            static_cast<QDialog*>(dialog)->accept();
        });
        screenshot(choice, QStringLiteral("live_window_save_choice.png"));
        qobject_cast<SaveChoiceDialog*>(choice)->okButton()->click();
    });
    window->action(Command::FileSaveAs)->trigger();

    std::ifstream in(csv, std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind(utf8ToGbk("标题："), 0), 0u) << "the live comma-separated header";
    EXPECT_EQ(ws.liveDocument().channels[0].values.size(), 3u);

    // The question the close box asks while sampling runs, as the program shows it.
    if (std::getenv("TARVO_SCREENSHOT_DIR")) {
        MessageBoxMessenger boxes;
        boxes.setParent(window.get());
        whenModal([](QWidget* question) {
            screenshot(question, QStringLiteral("live_window_close_question.png"));
            qobject_cast<QMessageBox*>(question)->button(QMessageBox::No)->click();
        });
        boxes.show({std::string(kLiveStillRunningQuestion), std::string(kExitTitle),
                    MessageIcon::Question, MessageButtons::YesNo});
    }
}

TEST_F(WiringTest, MaintenanceEntriesSendTheirFramesToTheSelectedLogger) {
    startConnected();
    const int address = ws.selectedAddress();

    ASSERT_TRUE(window->action(Command::Reset1)->isEnabled());
    window->action(Command::Reset1)->trigger();
    ASSERT_FALSE(port.sentFrames().empty());
    EXPECT_EQ(port.sentFrames().back(), *resetFrame(address, 1));
    runUntilIdle();

    window->action(Command::Reset3)->trigger();
    EXPECT_EQ(port.sentFrames().back(), *resetFrame(address, 3));
    runUntilIdle();

    messenger.answers.push_back(Answer::Yes);
    window->action(Command::StopRecording)->trigger();
    EXPECT_EQ(port.sentFrames().back(), stopFrame(address));
    runUntilIdle();
}

}  // namespace
}  // namespace tarvo::gui
