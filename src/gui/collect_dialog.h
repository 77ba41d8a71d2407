#pragma once
// Asked once before "全部上传": the folder the histories go to and the formats each
// is saved in. Starts from the last choice; OK needs a folder and a format.

#include <QDialog>

#include <array>
#include <optional>

#include "workstation/fleet.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tarvo::gui {

class CollectDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CollectDialog(const CollectOptions& initial, QWidget* parent = nullptr);

    // The choice, when it is complete.
    std::optional<CollectOptions> choice() const;
    // Shows the dialog; the choice on OK, nothing on Cancel.
    static std::optional<CollectOptions> choose(const CollectOptions& initial, QWidget* parent);

    QLineEdit* folderEdit() const { return folder_; }
    QCheckBox* formatBox(std::size_t i) const { return formats_[i]; }
    QPushButton* okButton() const { return ok_; }

    static constexpr std::array<const char*, 5> kFormats = {"orx", "csv", "txt", "doc", "mdb"};

  private:
    void update();
    void browse();

    QLineEdit* folder_;
    std::array<QCheckBox*, kFormats.size()> formats_{};
    QPushButton* ok_;
};

}  // namespace tarvo::gui
