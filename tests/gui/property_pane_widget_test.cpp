// The property pane as drawn: rows and their marking after a connect, the tabs by
// user level, the command window over the list, and the layout on resize.

#include "gui/property_pane_widget.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "gui/colours.h"
#include "gui/login_dialog.h"
#include "gui/twips.h"
#include "gui/window_fixture.h"

namespace tarvo::gui {
namespace {

QTreeWidgetItem* rowByKey(QTreeWidget* list, const QString& key) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->data(0, Qt::UserRole).toString() == key)
            return list->topLevelItem(i);
    }
    return nullptr;
}

QStringList tabCaptions(const QTabBar* bar) {
    QStringList captions;
    for (int i = 0; i < bar->count(); ++i) captions << bar->tabText(i);
    return captions;
}

class PropertyPaneWidgetTest : public ::testing::Test, public test::WindowFixture {
  protected:
    PropertyPaneWidget* pane() const { return window->propertyPane(); }
    QTreeWidget* list() const { return pane()->rowList(); }

    void loginAs(const QString& name, const QString& password) {
        LoginDialog dialog(ws, window.get());
        dialog.userBox()->setText(name);
        dialog.passwordBox()->setText(password);
        dialog.okButton()->click();
        ASSERT_EQ(dialog.result(), QDialog::Accepted);
    }
};

TEST_F(PropertyPaneWidgetTest, ColumnsAreNamedAndSizedFromTwipsWithTheValuesCentred) {
    start();
    EXPECT_EQ(list()->headerItem()->text(0), "名称");
    EXPECT_EQ(list()->headerItem()->text(1), "值");
    EXPECT_EQ(list()->columnWidth(0), 120);  // 1800 twips
    EXPECT_EQ(twipsToPixels(kValueColumnTwips), 140);
    EXPECT_EQ(list()->headerItem()->textAlignment(1) & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(pane()->hintLabel()->text(), "灰色属性为只读属性；黑色属性双击进行设置。");
    EXPECT_EQ(pane()->writeButton()->text(), "确定");
    EXPECT_EQ(pane()->hideButton()->toolTip(), "隐藏属性栏");
}

TEST_F(PropertyPaneWidgetTest, AfterAConnectReadOnlyRowsAreDimmedAndTheOthersDrawnNormally) {
    start();
    ASSERT_TRUE(connectAndWait());
    const QColor dimmed = toQColor(kReadOnlyColour);
    EXPECT_EQ(dimmed, QColor(103, 152, 102));
    int readOnlyRows = 0;
    int editableRows = 0;
    for (const PropertyRow& row : ws.pane().rows()) {
        QTreeWidgetItem* item = rowByKey(list(), QString::fromStdString(row.key));
        ASSERT_NE(item, nullptr) << row.key;
        const QColor label = item->foreground(0).color();
        if (row.readOnly) {
            ++readOnlyRows;
            EXPECT_EQ(label, dimmed) << row.key;
            if (!row.valueColour) {
                EXPECT_EQ(item->foreground(1).color(), dimmed) << row.key;
            }
        } else {
            ++editableRows;
            EXPECT_EQ(item->foreground(0).style(), Qt::NoBrush) << row.key;
        }
        EXPECT_EQ(item->font(0).bold(), row.bold) << row.key;
        EXPECT_EQ(item->textAlignment(1) & Qt::AlignHCenter, Qt::AlignHCenter);
    }
    EXPECT_GT(readOnlyRows, 0);
    EXPECT_GT(editableRows, 0);
    // Some examples the operator sees.
    EXPECT_EQ(rowByKey(list(), "总空间")->foreground(0).color(), dimmed);
    EXPECT_EQ(rowByKey(list(), "标题")->foreground(0).style(), Qt::NoBrush);
    // The work status has a colour of its own.
    QTreeWidgetItem* status = rowByKey(list(), "工作状态");
    ASSERT_NE(status, nullptr);
    const auto& statusRow = *std::find_if(ws.pane().rows().begin(), ws.pane().rows().end(),
                                          [](const PropertyRow& r) { return r.key == "工作状态"; });
    ASSERT_TRUE(statusRow.valueColour);
    EXPECT_EQ(status->foreground(1).color(), toQColor(*statusRow.valueColour));
}

TEST_F(PropertyPaneWidgetTest, AnAlarmLimitWhoseAlarmIsSwitchedOffIsDimmedLabelAndValue) {
    start();
    loginAs("marvet", "sobrin");
    ASSERT_TRUE(connectAndWait());
    const auto& rows = ws.pane().rows();
    const auto at = std::find_if(rows.begin(), rows.end(),
                                 [](const PropertyRow& r) { return r.key == "报警通道"; });
    ASSERT_NE(at, rows.end());
    auto editor = ws.openEditor(static_cast<int>(at - rows.begin()));
    ASSERT_TRUE(editor);
    ASSERT_FALSE(editor->nodes.empty());
    for (auto& node : editor->nodes) node.checked = false;
    ASSERT_TRUE(ws.commitEditor(*editor).applied);

    const QColor dimmed(167, 152, 102);
    int dimmedRows = 0;
    for (const PropertyRow& row : ws.pane().rows()) {
        if (row.key.rfind("通道报警", 0) != 0) continue;
        QTreeWidgetItem* item = rowByKey(list(), QString::fromStdString(row.key));
        ASSERT_NE(item, nullptr) << row.key;
        EXPECT_EQ(item->foreground(0).color(), dimmed) << row.key;
        EXPECT_EQ(item->foreground(1).color(), dimmed) << row.key;
        ++dimmedRows;
    }
    EXPECT_GT(dimmedRows, 0);
}

TEST_F(PropertyPaneWidgetTest, TheLoggerClockRowIsBoldWhenListed) {
    start();
    ASSERT_TRUE(connectAndWait());
    QTreeWidgetItem* clock = rowByKey(list(), "记录仪时钟");
    if (clockRowSuppressed(ws.loggerParams())) {
        EXPECT_EQ(clock, nullptr);
    } else {
        ASSERT_NE(clock, nullptr);
        EXPECT_TRUE(clock->font(0).bold());
        EXPECT_TRUE(clock->font(1).bold());
    }
}

TEST_F(PropertyPaneWidgetTest, TabsFollowTheUserLevelAndLogoutLeavesOnlyTheFirst) {
    start();
    EXPECT_EQ(tabCaptions(pane()->tabBar()), QStringList{"基本属性"});
    loginAs("marvet", "sobrin");
    EXPECT_EQ(tabCaptions(pane()->tabBar()),
              (QStringList{"基本属性", "高级属性", "所有属性", "命令窗口"}));
    EXPECT_EQ(window->loginLabel()->text(), "当前用户:marvet    [厂家用户]");
    EXPECT_FALSE(window->action(Command::Login)->isEnabled());
    EXPECT_TRUE(window->action(Command::Logout)->isEnabled());
    EXPECT_TRUE(window->action(Command::Advanced)->isEnabled());

    loginAs("lurvo", "lurvo");  // a new login replaces the level without a logout
    EXPECT_EQ(tabCaptions(pane()->tabBar()), (QStringList{"基本属性", "高级属性", "所有属性"}));

    window->action(Command::Logout)->trigger();
    EXPECT_EQ(tabCaptions(pane()->tabBar()), QStringList{"基本属性"});
    EXPECT_EQ(window->loginLabel()->text(), "当前用户:    [无用户]");
    EXPECT_FALSE(window->action(Command::Advanced)->isEnabled());
}

TEST_F(PropertyPaneWidgetTest, TabClicksListTheRowsOfThatTabAndTheFourthShowsTheCommandWindow) {
    start();
    window->show();
    loginAs("marvet", "sobrin");
    ASSERT_TRUE(connectAndWait());
    const int basicRows = list()->topLevelItemCount();

    QTest::mouseClick(pane()->tabBar(), Qt::LeftButton, {}, pane()->tabBar()->tabRect(2).center());
    EXPECT_EQ(ws.pane().selectedTab(), PropertyTab::All);
    EXPECT_GT(list()->topLevelItemCount(), basicRows);
    EXPECT_EQ(list()->topLevelItemCount(), static_cast<int>(ws.pane().rows().size()));

    QTest::mouseClick(pane()->tabBar(), Qt::LeftButton, {}, pane()->tabBar()->tabRect(3).center());
    EXPECT_EQ(ws.pane().selectedTab(), PropertyTab::Command);
    QPlainTextEdit* commands = pane()->commandWindow();
    EXPECT_TRUE(commands->isVisible());
    EXPECT_EQ(commands->geometry(), list()->geometry());
    // The last frame sent, as hexadecimal bytes each followed by a space.
    EXPECT_EQ(commands->toPlainText().toStdString(), ws.pane().commandText());
    EXPECT_FALSE(commands->toPlainText().isEmpty());
    EXPECT_TRUE(commands->toPlainText().endsWith(' '));

    QTest::mouseClick(pane()->tabBar(), Qt::LeftButton, {}, pane()->tabBar()->tabRect(0).center());
    EXPECT_FALSE(commands->isVisible());
    EXPECT_EQ(list()->topLevelItemCount(), basicRows);
}

TEST_F(PropertyPaneWidgetTest, ALoginFailureIsToldAndTheDialogStaysOpenUntilCancelled) {
    start();
    LoginDialog dialog(ws, window.get());
    EXPECT_EQ(dialog.windowTitle(), "登录");
    EXPECT_EQ(dialog.passwordBox()->echoMode(), QLineEdit::Password);
    dialog.show();
    dialog.userBox()->setText("Qzd");  // letter case counts
    dialog.passwordBox()->setText("qzd");
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "用户名无效或密码错误，请重新输入。");
    EXPECT_EQ(messenger.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(ws.loginState().loggedIn);
    dialog.cancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(window->action(Command::Logout)->isEnabled());
}

TEST_F(PropertyPaneWidgetTest, AnEmptyNameAndPasswordLogInWithoutALevel) {
    start();
    loginAs("", "");
    EXPECT_TRUE(window->action(Command::Logout)->isEnabled());
    EXPECT_EQ(window->loginLabel()->text(), "当前用户:    [无用户]");
    EXPECT_EQ(pane()->tabBar()->count(), 1);
}

TEST_F(PropertyPaneWidgetTest, OnResizeTheListFillsThePaneAboveTheHintAndTheWriteButton) {
    PropertyPaneWidget widget;
    widget.resize(300, 500);
    widget.show();
    const int h = 500;
    QTreeWidget* rows = widget.rowList();
    EXPECT_EQ(rows->width(), 300);
    EXPECT_GE(rows->y(), twipsToPixels(480));
    EXPECT_EQ(rows->geometry().bottom() + 1, h - twipsToPixels(840));
    EXPECT_EQ(widget.writeButton()->y(), h - twipsToPixels(495));
    EXPECT_LE(widget.hintLabel()->y(), h - twipsToPixels(735));
    EXPECT_GE(widget.hintLabel()->y(), rows->geometry().bottom());
    EXPECT_LE(widget.hintLabel()->geometry().bottom(), widget.writeButton()->y());

    widget.resize(420, 640);
    EXPECT_EQ(rows->width(), 420);
    EXPECT_EQ(rows->geometry().bottom() + 1, 640 - twipsToPixels(840));
    EXPECT_EQ(widget.commandWindow()->geometry(), rows->geometry());
    EXPECT_EQ(widget.titleLabel()->parentWidget()->width(), 420);
}

}  // namespace
}  // namespace tarvo::gui
