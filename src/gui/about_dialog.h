#pragma once
// The About box: product, version, build, a word on what the program is for, and a
// link to the maker's page that lights up under the mouse.

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

namespace tarvo::gui {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);

    static QUrl homePage();
    QLabel* linkLabel() const { return link_; }
    QPushButton* okButton() const { return ok_; }
    // Whether the link is drawn lit (magenta, underlined) or plain (blue).
    bool linkLit() const { return lit_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void setLinkLit(bool lit);

    QLabel* link_ = nullptr;
    QPushButton* ok_ = nullptr;
    bool lit_ = true;
};

}  // namespace tarvo::gui
