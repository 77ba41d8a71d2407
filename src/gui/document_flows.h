#pragma once
// The main window's document commands with Qt's dialogs: open ("打开(&O)..."), save
// ("保存为(&S)..." through the save choice), and the dialogs a history window's SaveAs
// and AddToDataBase show. The flows themselves are the workstation's
// (workstation/document_flows.h); these functions show the dialogs and keep the open
// history windows in step with their documents.

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

#include "workstation/document_flows.h"

class QWidget;

namespace tarvo {
class Workstation;
}

namespace tarvo::gui {

class HistoryWindow;

// Translates a filter of text|pattern pairs into Qt's name filters "text (pattern)".
// "*.*" (every file) becomes "*".
QStringList qtNameFilters(std::string_view filter);

// The save choice and the save-file dialogs, as Qt dialogs owned by `parent`. A
// request for the create prompt asks before a name that does not exist is accepted;
// No leaves the dialog open.
class QtDocumentDialogs : public DocumentDialogs {
  public:
    explicit QtDocumentDialogs(QWidget* parent) : parent_(parent) {}
    std::optional<SaveType> chooseSaveType() override;
    std::optional<std::string> askFileName(const FileDialogRequest& request) override;

  private:
    QWidget* parent_;
};

// The history window among `parent`'s descendants that shows the document at
// `index`, if any.
HistoryWindow* findHistoryWindow(QWidget* parent, Workstation& workstation, int index);

// "打开(&O)...": the open dialog (several files), then the open flow. New history
// windows come through the workstation's documentOpened notice; windows that read
// their file again are refreshed here. `parent` is the main window.
void openFilesFlow(Workstation& workstation, QWidget* parent);
// The open flow for names already chosen (a dialog's answer, a drop).
void openPathsFlow(Workstation& workstation, const QStringList& paths, QWidget* parent);

// "保存为(&S)...": the save choice, then SaveAs or AddToDataBase of the active window,
// history or live-curve.
void saveFlow(Workstation& workstation, QWidget* parent);

}  // namespace tarvo::gui
