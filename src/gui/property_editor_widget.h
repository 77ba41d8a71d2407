#pragma once
// The inline editor of the property list: the control of one PropertyEditor laid
// over the value cell of its row (a text or number box, a drop-down list, a date-time
// or time picker, or a small tree of check boxes). Enter or leaving the control
// commits it, Escape cancels it; either way the owner hears once and takes the
// widget away.

#include <QWidget>

#include "workstation/property_editing.h"

class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo::gui {

class PropertyEditorWidget : public QWidget {
    Q_OBJECT

  public:
    // The control of `editor`, preset from it, as a child of `parent` covering `cell`
    // (a check tree drops down below the cell's top to show its nodes).
    PropertyEditorWidget(PropertyEditor editor, const QRect& cell, QWidget* parent);

    // The editor with the control's present state copied into it.
    PropertyEditor state() const;
    const PropertyEditor& editor() const { return editor_; }

    // The control the operator types into (the focus goes there when shown).
    QWidget* control() const { return control_; }
    QLineEdit* lineEdit() const { return line_; }
    QComboBox* comboBox() const { return combo_; }
    QDateTimeEdit* picker() const { return picker_; }
    QTreeWidget* checkTree() const { return tree_; }

    // Ends the editor with a commit, as Enter does (nothing once it has ended).
    void commit();
    // Ends the editor without a commit, as Escape does.
    void cancel();
    bool finished() const { return finished_; }

  signals:
    void committed(const tarvo::PropertyEditor& editor);
    void cancelled();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildLineEdit(const QRect& cell);
    void buildComboBox(const QRect& cell);
    void buildPicker(const QRect& cell);
    void buildCheckTree(const QRect& cell);
    void treeItemChanged(QTreeWidgetItem* item);

    PropertyEditor editor_;
    QWidget* control_ = nullptr;
    QLineEdit* line_ = nullptr;
    QComboBox* combo_ = nullptr;
    QDateTimeEdit* picker_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QString lastGoodText_;
    bool finished_ = false;
    bool updatingTree_ = false;
};

}  // namespace tarvo::gui
