#pragma once
// dlgMobile ("手机号码"): the three SMS alarm phone numbers, digits only, eleven at most.

#include <QDialog>

#include <array>
#include <optional>
#include <string>

class QPushButton;

namespace tarvo::gui {

class DigitLineEdit;

class MobileDialog : public QDialog {
    Q_OBJECT

  public:
    // The boxes start with `numbers` (empty boxes by default).
    explicit MobileDialog(const std::array<std::string, 3>& numbers = {},
                          QWidget* parent = nullptr);

    // The three boxes' texts.
    std::array<std::string, 3> boxTexts() const;
    // The phoneNumbers entries cmdOK makes of them: a box of exactly eleven digits
    // gives its number, any other box an empty entry.
    std::array<std::string, 3> numbers() const;

    DigitLineEdit* box(int index) const { return boxes_.at(static_cast<std::size_t>(index)); }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The dialog, modally: the entries to send, or nothing when cancelled.
    static std::optional<std::array<std::string, 3>> choose(
        const std::array<std::string, 3>& numbers, QWidget* parent);

  private:
    std::array<DigitLineEdit*, 3> boxes_{};
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace tarvo::gui
