#pragma once
// 设置 → "数据库服务器": the server's URI and this workstation's line name.

#include <QDialog>

#include "workstation/server_append.h"

class QLineEdit;

namespace tarvo::gui {

class ServerSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ServerSettingsDialog(const ServerSettingsValues& values, QWidget* parent = nullptr);

    ServerSettingsValues values() const;
    QLineEdit* uriBox() const { return uri_; }
    QLineEdit* lineBox() const { return line_; }

  private:
    ServerSettingsValues shown_;
    QLineEdit* uri_ = nullptr;
    QLineEdit* line_ = nullptr;
};

// The dialog, modally, until it is cancelled or its entries are taken.
void runServerSettings(Workstation& workstation, QWidget* parent);

}  // namespace tarvo::gui
