#pragma once
// The history window (frmData): one recording of one logger as a curve chart, a data
// grid, a quality summary and a channel list. A thin view of the HistoryDocument the workstation holds:
// the chart's scene, the list's rows and the grid's cells all come from the core.

#include <QAbstractTableModel>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "data/chart_navigation.h"
#include "data/history_document.h"

class QCloseEvent;
class QKeyEvent;
class QSplitter;
class QStackedWidget;
class QTabBar;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo {
class Workstation;
struct HistoryWindow;
}  // namespace tarvo

namespace tarvo::gui {

class ChartWidget;
class SummaryPanel;

// The data grid: cells are built on demand from the document, so a grid of 65,535
// records opens at once. Row r of the model is record r + 1; the column headers are
// the grid's header row.
class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit DataGridModel(QObject* parent = nullptr);

    // nullptr: an empty grid. The document must outlive the model or be taken away first.
    void setDocument(const HistoryDocument* document);
    const HistoryDocument* document() const { return document_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Ctrl+C: the text of the block between two model cells (either may be the larger).
    QString copyText(const QModelIndex& from, const QModelIndex& to) const;

  private:
    const HistoryDocument* document_ = nullptr;
};

// The history window. The main window creates one when the workstation reports a
// document opened, and puts it in its MDI area. Closing it asks about unsaved
// changes and then closes the document in the workstation.
class HistoryWindow : public QWidget {
    Q_OBJECT
  public:
    // The window kind tag, also the widget's object name.
    static constexpr const char* kKindTag = "frmData";

    HistoryWindow(Workstation& workstation, int documentIndex, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // The position of this window's document in Workstation::documents(); -1 once the
    // document is gone.
    int documentIndex() const;
    // nullptr once the document is gone.
    HistoryDocument* document() const;

    // The document was read again from its file, renamed or saved: caption, chart,
    // channel list and grid follow.
    void documentReplaced();
    void refreshCaption();

    // SaveAs and AddToDataBase of this window, with the program's file dialogs.
    // True when the document was written.
    bool saveAs();
    bool addToDataBase();

    Workstation& workstation() const { return workstation_; }
    ChartWidget* chart() const { return chart_; }
    QTreeWidget* channelList() const { return channelList_; }
    QTableView* dataGrid() const { return grid_; }
    QTabBar* tabs() const { return tabs_; }
    SummaryPanel* summaryPanel() const { return summary_; }
    // The activation energy of the summary tab (kJ/mol), also the printed report's.
    double activationEnergy() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QSize sizeHint() const override;

  private:
    void buildChannelListColumns();
    void refreshChannelList();
    void showReadOut(const std::vector<ReadOut>& readOut);
    void showFileProperties();
    void channelItemChanged(QTreeWidgetItem* item, int column);
    void chooseCurveColour();
    void copyGridSelection();
    void showTab(int index);

    Workstation& workstation_;
    // The workstation owns it; its address stays while it exists (looked up each time).
    const tarvo::HistoryWindow* core_ = nullptr;

    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    ChartWidget* chart_ = nullptr;
    QTableView* grid_ = nullptr;
    DataGridModel* gridModel_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* channelList_ = nullptr;
    SummaryPanel* summary_ = nullptr;
    bool fillingList_ = false;
};

}  // namespace tarvo::gui
