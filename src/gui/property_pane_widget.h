#pragma once
// The property pane as widgets: the title strip with its file-properties and hide
// buttons, the tab strip, the two-column row list with the command window laid over
// it, the hint and the write button. It draws the core's PropertyPane and reports
// the operator's clicks; it decides nothing itself.

#include <QWidget>

#include <string>

#include "workstation/property_pane.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo::gui {

class PropertyPaneWidget : public QWidget {
    Q_OBJECT

  public:
    explicit PropertyPaneWidget(QWidget* parent = nullptr);

    // Draws the pane: tabs, selected tab, title, rows and the command window.
    void showPane(const PropertyPane& pane);
    // Only the command window's text.
    void showCommandText(const std::string& text);
    // The write button starts the parameter write where the program offers it.
    void setWriteEnabled(bool enabled);

    QSize sizeHint() const override;

    // Where the value cell of row `row` lies, in the coordinates of editorHost()
    // (an empty rectangle for a row the list does not hold).
    QRect valueCellRect(int row) const;
    // The widget an inline editor is laid into: the list's viewport.
    QWidget* editorHost() const;

    QLabel* titleLabel() const { return title_; }
    QToolButton* hideButton() const { return hideButton_; }
    QToolButton* filePropertiesButton() const { return fileButton_; }
    QTabBar* tabBar() const { return tabs_; }
    QTreeWidget* rowList() const { return list_; }
    QPlainTextEdit* commandWindow() const { return commandWindow_; }
    QLabel* hintLabel() const { return hint_; }
    QPushButton* writeButton() const { return writeButton_; }

  signals:
    // A click on a tab: its number, 1 for the first.
    void tabClicked(int tab);
    void hideClicked();
    void filePropertiesClicked();
    // A double click on a row, by the row's key and by its position in the list.
    void rowDoubleClicked(const QString& key);
    void rowDoubleClickedAt(int row);
    void writeClicked();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fillRows(const std::vector<PropertyRow>& rows);
    void layOut();

    QWidget* titleStrip_ = nullptr;
    QLabel* title_ = nullptr;
    QToolButton* fileButton_ = nullptr;
    QToolButton* hideButton_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPlainTextEdit* commandWindow_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* writeButton_ = nullptr;
    bool updating_ = false;
};

}  // namespace tarvo::gui
