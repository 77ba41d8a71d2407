#pragma once
// The history window's tab "统计汇总": per channel the limits, the time beyond them, the
// excursions and the mean kinetic temperature over the records in view, one row per
// channel in the channel's colour, and the activation energy to edit.

#include <QWidget>

#include <optional>

class QLineEdit;
class QTreeWidget;

namespace tarvo {
class HistoryDocument;
class SettingsStore;
}  // namespace tarvo

namespace tarvo::gui {

class SummaryPanel : public QWidget {
    Q_OBJECT
  public:
    // The energy is read from the store now and written back whenever it is changed.
    SummaryPanel(SettingsStore& store, QWidget* parent = nullptr);

    double activationEnergy() const { return energy_; }
    // Recomputes the rows for the document's view (no rows without a loaded document).
    void refresh(const HistoryDocument* doc);

    QTreeWidget* table() const { return table_; }
    QLineEdit* energyEdit() const { return energyEdit_; }

  signals:
    // A new energy was typed and stored; the rows need the document again.
    void energyChanged(double activationEnergy);

  private:
    void energyEdited();

    SettingsStore& store_;
    double energy_;
    QLineEdit* energyEdit_ = nullptr;
    QTreeWidget* table_ = nullptr;
};

}  // namespace tarvo::gui
