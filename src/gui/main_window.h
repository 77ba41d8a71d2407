#pragma once
// MDIMian: the program's frame. A view of the Workstation: the menus and toolbars
// come from the command table and follow its enabled states, the property pane,
// status bar and device selector draw the workstation's state, and every command
// the operator chooses is handed to the workstation.

#include <QDialog>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "core/memory_settings_store.h"

#include "gui/please_wait_window.h"
#include "gui/property_editor_widget.h"
#include "workstation/fleet.h"
#include "workstation/workstation.h"

class QAction;
class QComboBox;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QTimer;
class QToolBar;

namespace tarvo::gui {

class DeviceNamesDialog;
class FleetWindow;
class LiveWindow;
class PropertyPaneWidget;

class MainWindow : public QMainWindow, public WorkstationView {
    Q_OBJECT

  public:
    // Attaches itself to the workstation as its view (and detaches on destruction);
    // the workstation outlives the window.
    explicit MainWindow(Workstation& workstation, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The menu entry (and toolbar button) of a command; the submenu's own action for
    // Command::Advanced.
    QAction* action(Command command) const;
    // "添加到服务器数据库" (文件) and "数据库服务器" (设置).
    QAction* addToServerAction() const { return addToServer_; }
    QAction* serverSettingsAction() const { return serverSettings_; }
    // A top-level menu by its caption ("文件(&F)" …); nullptr when there is none.
    QMenu* menu(std::string_view caption) const;
    QMenu* advancedMenu() const { return advancedMenu_; }
    QToolBar* toolbar(Toolbar which) const;
    QComboBox* deviceSelector() const { return selector_; }
    PropertyPaneWidget* propertyPane() const { return pane_; }
    QDockWidget* paneDock() const { return dock_; }
    QLabel* loginLabel() const { return loginLabel_; }
    QLabel* statusLabel() const { return statusLabel_; }
    QProgressBar* progressStrip() const { return progress_; }
    QMdiArea* mdiArea() const { return mdi_; }
    // frmWaitting once a restart has shown it.
    PleaseWaitWindow* pleaseWaitWindow() const { return pleaseWait_; }
    // The inline editor open over the property list, if any.
    PropertyEditorWidget* propertyEditor() const { return editor_; }
    // The live-curve window (frmRealT) once it was first shown, and its MDI frame.
    LiveWindow* liveWindow() const { return live_; }
    QMdiSubWindow* liveSubWindow() const { return liveFrame_; }

    // Where the collect's folder and formats are remembered (the program's store);
    // without one they are kept for this run only.
    void setSettingsStore(SettingsStore* store) { settingsStore_ = store; }
    // 工具 → "扫描记录仪" and "全部上传", the fleet they drive and its view (once shown).
    QAction* scanAction() const { return scanAction_; }
    QAction* collectAction() const { return collectAction_; }
    Fleet& fleet() { return *fleet_; }
    FleetWindow* fleetWindow() const;
    QMdiSubWindow* fleetSubWindow() const { return fleetFrame_; }
    // "全部上传" with the choice already made (the menu entry asks for it first).
    bool collectAll(const CollectOptions& options);

    // No context menu for hiding single toolbars: the band goes as a whole.
    QMenu* createPopupMenu() override { return nullptr; }

    // ---- WorkstationView ----
    void paneChanged() override;
    void commandEchoChanged() override;
    void enablingChanged() override;
    void statusChanged() override;
    void loginChanged() override;
    void viewTogglesChanged() override;
    void selectorChanged() override;
    void documentOpened(int index) override;
    void documentClosed(int index) override;
    void pleaseWait(bool shown) override;
    void liveWindowShown() override;
    void liveWindowHidden() override;
    void liveSampleAdded() override;
    void arrangeChildren(Arrangement how) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void buildCommands();
    void buildToolbars();
    void buildStatusBar();
    void buildPane();
    void runCommand(Command command);
    void openFiles();
    void saveActive();
    void showDeviceNames();
    void showAbout();
    void subWindowActivated(QMdiSubWindow* window);
    void tile(Qt::Orientation orientation);
    void arrangeIcons();
    // The property list's inline editors.
    void openEditor(int row);
    void editorCommitted(const PropertyEditor& editor);
    // Commits the editor still open (the pane's "确定" writes what it holds); false
    // when its checks refused the edit.
    bool commitOpenEditor();
    // The commands of the tools and settings menus.
    void restartFromPane();
    void choosePowerMode();
    void chooseLoggerClock();
    void chooseSmsNumbers();
    void chooseSmsPassword();
    void startCalibrationTool();
    void printActive();
    void showHelp();
    LiveWindow* ensureLiveWindow();
    // The fleet's work.
    void buildFleetCommands();
    FleetWindow* ensureFleetWindow();
    bool fleetRunning() const;
    void scanLine();
    void chooseAndCollect();
    void pollFleet();
    void refreshFleet();
    void fleetLoggerActivated(int address);
    void activateTopHistoryWindow();

    Workstation& ws_;
    std::array<QAction*, kCommandCount> actions_{};
    QAction* addToServer_ = nullptr;
    QAction* serverSettings_ = nullptr;
    std::vector<QMenu*> menus_;
    QMenu* advancedMenu_ = nullptr;
    std::array<QToolBar*, 3> toolbars_{};
    QComboBox* selector_ = nullptr;
    QMdiArea* mdi_ = nullptr;
    QDockWidget* dock_ = nullptr;
    PropertyPaneWidget* pane_ = nullptr;
    QLabel* loginLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPointer<PleaseWaitWindow> pleaseWait_;
    QPointer<PropertyEditorWidget> editor_;
    bool lastEditApplied_ = true;
    LiveWindow* live_ = nullptr;
    QPointer<QMdiSubWindow> liveFrame_;
    std::size_t liveSamplesSeen_ = 0;
    DeviceNamesDialog* deviceNames_ = nullptr;
    // The history windows, in the order of the workstation's documents.
    std::vector<QPointer<QMdiSubWindow>> historyWindows_;
    bool shutDown_ = false;

    std::unique_ptr<Fleet> fleet_;
    QTimer* fleetTimer_ = nullptr;
    QAction* scanAction_ = nullptr;
    QAction* collectAction_ = nullptr;
    QPointer<FleetWindow> fleetView_;
    QPointer<QMdiSubWindow> fleetFrame_;
    SettingsStore* settingsStore_ = nullptr;
    MemorySettingsStore runStore_;
};

}  // namespace tarvo::gui
