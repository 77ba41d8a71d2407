#pragma once
// The live-curve window (frmRealT, "实时曲线"): the live chart at the top, the channel
// list under a splitter. It views a LiveDocument its owner keeps: every live answer
// handed to appendSample goes into the document, and one redraw follows soon (any
// number of answers before it make one). The chart's scene and the list's rows are
// the core's; this only paints them and turns the mouse into the cursor read-out.
//
// There is one live window per program run. Its close box never destroys it: the
// window (or the MDI frame around it) is hidden and closedByOperator is emitted. An
// owner that must ask first (sampling still running) sets a close guard.

#include <QColor>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/bytes.h"
#include "core/date_time.h"

class QLabel;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace tarvo {
class LiveDocument;
struct LiveChartScene;
struct LiveSample;
}  // namespace tarvo

namespace tarvo::gui {

class LivePlotPanel;

class LiveWindow : public QWidget {
    Q_OBJECT

  public:
    // `document` outlives the window.
    explicit LiveWindow(LiveDocument& document, QWidget* parent = nullptr);
    ~LiveWindow() override;

    LiveDocument& document() const { return document_; }

    // The document was rebuilt by its owner (reSetRealSetting): the list starts
    // afresh and the chart is redrawn.
    void documentReset();

    // One redraw soon; any number of requests before it make one. This is the call for
    // an owner that appends the samples itself (the workstation's liveSample).
    void requestRedraw();
    // The redraw now (serves a pending request): the scene, then the list.
    void redrawNow();
    bool redrawPending() const { return redrawTimer_.isActive(); }

    // Asked when the operator closes the window; false keeps it open. Without a
    // guard the window is simply hidden.
    void setCloseGuard(std::function<bool()> guard) { closeGuard_ = std::move(guard); }

    // The plot's background (the window's, not the document's).
    QColor background() const { return background_; }
    void setBackground(const QColor& colour);

    // The scene of the last redraw (nullptr while the document is not loaded).
    const LiveChartScene* scene() const { return scene_.get(); }
    // The sample the cursor line stands on, once the mouse has read one out.
    std::optional<std::int32_t> cursorIndex() const { return cursorIndex_; }
    // Where the plot lies in plotPanel()'s coordinates.
    QRect plotRect() const;
    // Reads out the samples at a point of the plot panel, as a mouse move there does.
    void readOutAt(QPointF panelPoint);

    QWidget* plotPanel() const;
    QTreeWidget* channelList() const { return channelList_; }
    // Per channel the time beyond its limits and the excursions in the buffer so far.
    QLabel* excursionFigures() const { return excursions_; }

    QSize sizeHint() const override;

    // A live answer received at `now`: appended to the document (restoreRealData)
    // and drawn soon (for an owner that leaves the appending to the window). Returns what was stored; nothing when the document is not
    // loaded or the answer carries no value.
    std::optional<LiveSample> appendSample(ByteView answer, DateTime now);

  signals:
    // The close box hid the window.
    void closedByOperator();
    // A redraw refreshed the chart and the list.
    void redrawn();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class LivePlotPanel;
    void paintPlot(QPainter& painter);
    void buildChannelListColumns();
    void refreshChannelList();
    void refreshExcursionFigures();
    void channelItemChanged(QTreeWidgetItem* item, int column);
    void chooseCurveColour();
    void chooseBackground();

    LiveDocument& document_;
    std::unique_ptr<LiveChartScene> scene_;
    std::optional<std::int32_t> cursorIndex_;
    QColor background_{Qt::white};
    QTimer redrawTimer_;
    std::function<bool()> closeGuard_;
    bool fillingList_ = false;

    QSplitter* splitter_ = nullptr;
    LivePlotPanel* plot_ = nullptr;
    QTreeWidget* channelList_ = nullptr;
    QLabel* excursions_ = nullptr;
};

}  // namespace tarvo::gui
