#pragma once
// dlgPrint ("打印选项"): per channel, whether its curve block ("曲线图") and its column
// of the data list ("数据列表") are printed, and the print font. The check tree and its
// rules are the core's PrintDialogModel; this shows it and hands it the clicks.

#include <QDialog>

#include <optional>
#include <string_view>

#include "files/report_layout.h"

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo::gui {

class PrintDialog : public QDialog {
    Q_OBJECT

  public:
    // The tree shows `model`'s channels (printDialogFor a document).
    explicit PrintDialog(PrintDialogModel model, QWidget* parent = nullptr);

    // The choices as they stand: the tree's check marks, the print font and whether
    // the dialog was closed with "确定".
    const PrintDialogModel& model() const { return model_; }

    // The font dialog ("选择打印字体") returned a font: the print font takes its name
    // and size.
    void fontChosen(const QFont& font);

    QTreeWidget* tree() const { return tree_; }
    // The tree's item of the node `key` (a top node, "T" + key or "L" + key).
    QTreeWidgetItem* item(std::string_view key) const;
    QPushButton* fontButton() const { return font_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: the choices, or nothing when cancelled.
    static std::optional<PrintDialogModel> choose(PrintDialogModel model, QWidget* parent);

  private:
    void buildTree();
    void syncTree();
    void itemChanged(QTreeWidgetItem* item, int column);
    void chooseFont();

    PrintDialogModel model_;
    bool syncing_ = false;
    QTreeWidget* tree_ = nullptr;
    QPushButton* font_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
