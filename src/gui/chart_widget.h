#pragma once
// The chart panel of a history window (Picture1): the plot surface with its curves,
// axes and time labels, the scroll bar under it, the three display switches and the six
// mode buttons. The scene is computed by the core (redrawChart) and painted here by
// one routine; navigation is the core's too, this widget only turns Qt's events into
// its calls. Redraw requests are coalesced by a single-shot timer.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "core/codecs.h"
#include "data/chart_model.h"
#include "data/chart_navigation.h"
#include "data/excursion_bands.h"
#include "data/history_document.h"
#include "gui/colours.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QPainter;
class QScrollBar;

namespace tarvo {
class Messenger;
}

namespace tarvo::gui {

// Paints one redraw's scene: the plot's background, the lines and the axis labels (in
// `labelFont`) clipped to the plot, its frame and the time labels under it (in the
// painter's font). A time label that would run past the plot's right edge is moved
// left to end there.
// `bands` lie on the background, under the curves, lightened. `plotImage`, when given,
// is kept from one paint to the next for the plot's picture (see the .cpp).
void paintChartScene(QPainter& painter, const ChartScene& scene, const QFont& labelFont,
                     std::span<const ChartBand> bands = {}, QImage* plotImage = nullptr);

class ChartWidget : public QWidget {
    Q_OBJECT
  public:
    // `document` is asked for the document at every use (nullptr: the window has none
    // any more). `messenger` shows the precise zoom's refusal.
    ChartWidget(std::function<HistoryDocument*()> document, Messenger& messenger,
                QWidget* parent = nullptr);
    ~ChartWidget() override;

    // One redraw soon; any number of requests before it makes one.
    void requestRedraw();
    // The redraw now (serves a pending request).
    void redrawNow();
    // The document was replaced: the picture and the overlays start afresh.
    void resetSurface();

    const ChartOptions& options() const { return options_; }
    const ChartSurface& surface() const { return surface_; }
    const std::optional<ChartScene>& scene() const { return scene_; }
    const std::vector<ChartBand>& bands() const { return bands_; }
    // Where the plot surface lies in this widget.
    QRect plotRect() const;
    // Panel coordinates to the plot's own (sample index, plot space) by the last redraw.
    PlotPoint toPlot(QPointF at) const;

    QCheckBox* scaleSwitch() const { return switches_[0]; }
    QCheckBox* axesSwitch() const { return switches_[1]; }
    QCheckBox* trendSwitch() const { return switches_[2]; }
    QAbstractButton* modeButton(int index) const;
    QScrollBar* scrollBar() const { return scrollBar_; }
    // "显示文件属性": asks for the document's properties in the property pane.
    QAbstractButton* filePropertiesButton() const { return fileProperties_; }
    QWidget* plotSurface() const { return plot_; }

    // The plot's background (it belongs to the window, not the document).
    void setBackground(Rgb colour);

    QSize sizeHint() const override;

  signals:
    // A redraw recomputed the statistics: the channel list follows.
    void redrawn();
    // The cursor moved over a sample in show-data mode: one read-out per channel record.
    void readOutChanged(const std::vector<tarvo::ReadOut>& readOut);
    // "显示文件属性" was clicked.
    void filePropertiesRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class PlotSurface;
    void plotMousePress(QMouseEvent* event);
    void plotMouseMove(QMouseEvent* event);
    void plotMouseRelease(QMouseEvent* event);
    void plotDoubleClick();
    void modeButtonClicked(int index);
    void scrolled(int value);
    void switchToggled();
    void apply(const NavigationOutcome& outcome);
    void syncModeButtons();
    void applyPointer();
    void runPreciseZoom();
    void layoutChildren();
    ChartGeometry geometry() const;

    std::function<HistoryDocument*()> document_;
    Messenger& messenger_;
    ChartOptions options_;
    ChartSurface surface_;
    std::optional<ChartScene> scene_;
    // The excursion bands of the scene, in the "显示报警部分" mode only.
    std::vector<ChartBand> bands_;
    QImage plotImage_;  // the plot's picture, kept between paints (see paintChartScene)
    QFont labelFont_;   // the axis labels: smaller than the panel's, the axes stand close
    QTimer redrawTimer_;
    bool redrawPending_ = false;
    bool settingScrollBar_ = false;

    QWidget* plot_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    std::array<QCheckBox*, 3> switches_{};
    QButtonGroup* modeButtons_ = nullptr;
    QAbstractButton* fileProperties_ = nullptr;
};

}  // namespace tarvo::gui
