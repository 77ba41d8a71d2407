#include "gui/main_window.h"
#include "gui/qt_text.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "files/file_names.h"
#include "gui/about_dialog.h"
#include "gui/chart_widget.h"
#include "gui/clock_dialog.h"
#include "gui/collect_dialog.h"
#include "gui/command_icons.h"
#include "gui/device_names_dialog.h"
#include "gui/document_flows.h"
#include "gui/fleet_window.h"
#include "gui/history_window.h"
#include "gui/live_settings_dialog.h"
#include "gui/live_window.h"
#include "gui/login_dialog.h"
#include "gui/mobile_dialog.h"
#include "gui/password_dialog.h"
#include "gui/please_wait_window.h"
#include "gui/power_dialog.h"
#include "gui/print_flow.h"
#include "gui/property_editor_widget.h"
#include "gui/property_pane_widget.h"
#include "gui/serial_settings_dialog.h"
#include "gui/server_settings_dialog.h"
#include "gui/twips.h"
#include "workstation/maintenance_dialogs.h"
#include "workstation/server_append.h"

namespace tarvo::gui {

namespace {

std::size_t slot(Command command) {
    return static_cast<std::size_t>(command);
}

}  // namespace

MainWindow::MainWindow(Workstation& workstation, QWidget* parent)
    : QMainWindow(parent), ws_(workstation) {
    setObjectName(QStringLiteral("MDIMian"));
    setWindowTitle(qs(kProgramTitle));
    setWindowIcon(programIcon());

    mdi_ = new QMdiArea(this);
    mdi_->setBackground(QColor(0x8f, 0x9a, 0xa8));
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::subWindowActivated);

    buildCommands();
    buildFleetCommands();
    buildToolbars();
    buildPane();
    buildStatusBar();
    resize(1100, 720);

    ws_.setView(this);
    // Draw what the workstation holds now; startUp() tells the rest.
    paneChanged();
    enablingChanged();
    statusChanged();
    loginChanged();
    viewTogglesChanged();
    selectorChanged();
}

MainWindow::~MainWindow() {
    // The children report no more to a window that is going: the MDI area would
    // tell of its last active child while it is taken down.
    mdi_->disconnect(this);
    selector_->disconnect(this);
    pane_->disconnect(this);
    ws_.setView(nullptr);
}

// ---- building -------------------------------------------------------------------

void MainWindow::buildCommands() {
    QMenu* current = nullptr;
    std::string_view currentCaption;
    for (const CommandInfo& info : commandTable()) {
        if (!current || info.menu != currentCaption) {
            current = menuBar()->addMenu(qs(info.menu));
            menus_.push_back(current);
            currentCaption = info.menu;
        }
        QMenu* target = info.inAdvancedMenu && advancedMenu_ ? advancedMenu_ : current;
        if (info.separatorBefore) target->addSeparator();
        if (info.command == Command::Advanced) {
            advancedMenu_ = target->addMenu(qs(info.caption));
            actions_[slot(info.command)] = advancedMenu_->menuAction();
            continue;
        }
        QAction* action = target->addAction(qs(info.caption));
        const std::string_view key = info.toolbarKey;
        if (!key.empty()) {
            action->setObjectName(qs(key));
            action->setIcon(commandIcon(key));
            action->setToolTip(qs(info.tooltip));
        }
        const Command command = info.command;
        // The buttons of the tools band (and their menu entries, the same actions)
        // take the selector's address before the command runs.
        const bool toolsBand = info.toolbar == Toolbar::Tools;
        connect(action, &QAction::triggered, this, [this, command, toolsBand] {
            if (toolsBand) ws_.storeSelectedAddress();
            runCommand(command);
        });
        actions_[slot(command)] = action;
    }
    for (const Command toggle : {Command::ViewToolbar, Command::ViewStatusBar,
                                 Command::ViewPropertyPane, Command::ViewLiveWindow}) {
        actions_[slot(toggle)]->setCheckable(true);
    }
    actions_[slot(Command::FileOpen)]->setShortcut(QKeySequence::Open);

    // The database server: appending to it from the file menu, and where it is.
    QAction* print = actions_[slot(Command::FilePrint)];
    addToServer_ = new QAction(qs(kAddToServerCaption), this);
    addToServer_->setObjectName(QStringLiteral("fileAddToServer"));
    if (QMenu* file = menu(commandInfo(Command::FilePrint).menu)) file->insertAction(print, addToServer_);
    connect(addToServer_, &QAction::triggered, this, [this] {
        appendActiveWindowToServer(ws_);
        ws_.runEnabling();
    });
    serverSettings_ = new QAction(qs(kServerSettingsCaption), this);
    serverSettings_->setObjectName(QStringLiteral("settingServer"));
    if (QMenu* settings = menu(commandInfo(Command::SerialSettings).menu))
        settings->addAction(serverSettings_);
    connect(serverSettings_, &QAction::triggered, this, [this] { runServerSettings(ws_, this); });
}

void MainWindow::buildToolbars() {
    const std::array<std::pair<Toolbar, const char*>, 3> bands = {{
        {Toolbar::File, "ToolbarFile"},
        {Toolbar::Tools, "ToolbarTools"},
        {Toolbar::Setting, "ToolbarSetting"},
    }};
    for (std::size_t i = 0; i < bands.size(); ++i) {
        auto* bar = new QToolBar(this);
        bar->setObjectName(QString::fromLatin1(bands[i].second));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(24, 24));
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        addToolBar(Qt::TopToolBarArea, bar);
        toolbars_[i] = bar;
    }

    // The device-address selector heads the tools: choose the logger, then act on it.
    selector_ = new QComboBox(this);
    selector_->setObjectName(QStringLiteral("Combo1"));
    selector_->setMinimumContentsLength(8);
    selector_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    selector_->setMaxVisibleItems(20);
    connect(selector_, &QComboBox::currentIndexChanged, this,
            [this](int index) { ws_.setSelectedAddress(index + 1); });
    QToolBar* tools = toolbar(Toolbar::Tools);
    tools->addWidget(selector_);
    tools->addSeparator();

    for (const CommandInfo& info : commandTable()) {
        if (info.toolbar == Toolbar::None) continue;
        QToolBar* bar = toolbar(info.toolbar);
        if (info.toolbar == Toolbar::Tools && info.separatorBefore) bar->addSeparator();
        bar->addAction(actions_[slot(info.command)]);
    }
}

void MainWindow::buildPane() {
    dock_ = new QDockWidget(this);
    dock_->setObjectName(QStringLiteral("PropertyPane"));
    dock_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    // The pane draws its own title strip.
    auto* noTitle = new QWidget(dock_);
    auto* noTitleLayout = new QVBoxLayout(noTitle);
    noTitleLayout->setContentsMargins(0, 0, 0, 0);
    dock_->setTitleBarWidget(noTitle);
    pane_ = new PropertyPaneWidget(dock_);
    dock_->setWidget(pane_);
    addDockWidget(Qt::LeftDockWidgetArea, dock_);
    resizeDocks({dock_}, {pane_->sizeHint().width()}, Qt::Horizontal);

    connect(pane_, &PropertyPaneWidget::tabClicked, this,
            [this](int tab) { ws_.selectTab(static_cast<PropertyTab>(tab)); });
    connect(pane_, &PropertyPaneWidget::hideClicked, this, [this] { ws_.hidePropertyPane(); });
    connect(pane_, &PropertyPaneWidget::filePropertiesClicked, this,
            [this] { ws_.showFileProperties(); });
    connect(pane_, &PropertyPaneWidget::rowDoubleClickedAt, this, &MainWindow::openEditor);
    connect(pane_, &PropertyPaneWidget::writeClicked, this, &MainWindow::restartFromPane);
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("PictureStatusBar"));
    loginLabel_ = new QLabel(bar);
    loginLabel_->setObjectName(QStringLiteral("LabelUser"));
    loginLabel_->setMinimumWidth(twipsToPixels(3000));
    statusLabel_ = new QLabel(bar);
    statusLabel_->setObjectName(QStringLiteral("LabelStauts"));
    progress_ = new QProgressBar(bar);
    progress_->setObjectName(QStringLiteral("PictureProsess"));
    progress_->setTextVisible(false);
    progress_->setFixedSize(200, 14);
    bar->addWidget(loginLabel_);
    bar->addWidget(statusLabel_, 1);
    bar->addPermanentWidget(progress_);
}

QAction* MainWindow::action(Command command) const {
    return actions_[slot(command)];
}

QMenu* MainWindow::menu(std::string_view caption) const {
    const QString wanted = qs(caption);
    for (QMenu* m : menus_) {
        if (m->title() == wanted) return m;
    }
    return nullptr;
}

QToolBar* MainWindow::toolbar(Toolbar which) const {
    switch (which) {
        case Toolbar::File:
            return toolbars_[0];
        case Toolbar::Tools:
            return toolbars_[1];
        case Toolbar::Setting:
            return toolbars_[2];
        case Toolbar::None:
            break;
    }
    return nullptr;
}

// ---- commands -------------------------------------------------------------------

void MainWindow::runCommand(Command command) {
    switch (command) {
        case Command::FileOpen:
            openFiles();
            break;
        case Command::Login:
            runLogin(ws_, this);
            break;
        case Command::Logout:
            ws_.logout();
            break;
        case Command::Exit:
            close();
            break;
        case Command::Connect:
            ws_.connect();
            break;
        case Command::Upload:
            ws_.upload();
            break;
        case Command::ViewToolbar:
            ws_.toggleToolbar();
            break;
        case Command::ViewStatusBar:
            ws_.toggleStatusBar();
            break;
        case Command::ViewPropertyPane:
            ws_.togglePropertyPane();
            break;
        case Command::ViewLiveWindow:
            ws_.toggleLiveWindow();
            break;
        case Command::Cascade:
            ws_.arrange(Arrangement::Cascade);
            break;
        case Command::TileHorizontal:
            ws_.arrange(Arrangement::TileHorizontal);
            break;
        case Command::TileVertical:
            ws_.arrange(Arrangement::TileVertical);
            break;
        case Command::ArrangeIcons:
            ws_.arrange(Arrangement::ArrangeIcons);
            break;
        case Command::DeviceNames:
            showDeviceNames();
            break;
        case Command::SerialSettings:
            runSerialSettings(ws_, this);
            break;
        case Command::About:
            showAbout();
            break;
        case Command::Restart:
            // Menus and tool buttons take no focus, so an open editor has not committed.
            ws_.restart(false, [this] { return commitOpenEditor(); });
            break;
        case Command::LiveStart:
            ws_.startLive();
            break;
        case Command::LiveStop:
            ws_.stopLive();
            break;
        case Command::LiveSettings:
            LiveSettingsDialog::choose(ws_, this);
            break;
        case Command::StopRecording:
            ws_.stopRecording();
            break;
        case Command::PowerMode:
            choosePowerMode();
            break;
        case Command::Reset1:
            ws_.reset(1);
            break;
        case Command::Reset2:
            ws_.reset(2);
            break;
        case Command::Reset3:
            ws_.reset(3);
            break;
        case Command::Reset4:
            ws_.reset(4);
            break;
        case Command::Reset5:
            ws_.reset(5);
            break;
        case Command::LoggerClock:
            chooseLoggerClock();
            break;
        case Command::SmsNumbers:
            chooseSmsNumbers();
            break;
        case Command::SmsPassword:
            chooseSmsPassword();
            break;
        case Command::Calibration:
            startCalibrationTool();
            break;
        case Command::FilePrint:
            printActive();
            break;
        case Command::HelpContents:
            showHelp();
            break;
        case Command::FileSaveAs:
            saveActive();
            break;
        case Command::Advanced:
            break;
    }
    // A checkable entry shows the workstation's state, not Qt's own flip.
    viewTogglesChanged();
}

// The document flows show their own dialogs; the commands follow what they did.
void MainWindow::openFiles() {
    openFilesFlow(ws_, this);
    ws_.runEnabling();
}

void MainWindow::saveActive() {
    saveFlow(ws_, this);
    ws_.runEnabling();
}

void MainWindow::showDeviceNames() {
    if (!deviceNames_) deviceNames_ = new DeviceNamesDialog(ws_, this);
    deviceNames_->run();
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

// ---- the property list's inline editors -------------------------------------------

void MainWindow::openEditor(int row) {
    commitOpenEditor();
    std::optional<PropertyEditor> editor = ws_.openEditor(row);
    if (!editor || editor->kind == EditorKind::None) return;
    const QRect cell = pane_->valueCellRect(row);
    if (cell.isEmpty()) return;
    auto* widget = new PropertyEditorWidget(std::move(*editor), cell, pane_->editorHost());
    editor_ = widget;
    connect(widget, &PropertyEditorWidget::committed, this, &MainWindow::editorCommitted);
    connect(widget, &PropertyEditorWidget::cancelled, widget, &QObject::deleteLater);
    widget->show();
    widget->raise();
    widget->setFocus(Qt::OtherFocusReason);
}

void MainWindow::editorCommitted(const PropertyEditor& editor) {
    if (editor_) editor_->deleteLater();
    editor_ = nullptr;
    const CommitResult result = ws_.commitEditor(editor);
    lastEditApplied_ = result.applied;
    if (result.message) ws_.messenger().show(*result.message);
}

bool MainWindow::commitOpenEditor() {
    if (!editor_ || editor_->finished()) return true;
    lastEditApplied_ = true;
    editor_->commit();
    return lastEditApplied_;
}

// ---- commands with dialogs --------------------------------------------------------

void MainWindow::restartFromPane() {
    ws_.restart(true, [this] { return commitOpenEditor(); });
}

void MainWindow::choosePowerMode() {
    if (const std::optional<bool> normal = PowerDialog::choose(ws_.loggerParams().powerMode, this))
        ws_.setPowerMode(*normal);
}

void MainWindow::chooseLoggerClock() {
    const LoggerParameters& p = ws_.loggerParams();
    const DateTime preset = p.loggerClock != 0 ? p.loggerClock : currentDateTime();
    if (const std::optional<DateTime> clock = ClockDialog::choose(preset, this))
        ws_.setLoggerClock(*clock);
}

void MainWindow::chooseSmsNumbers() {
    if (const auto numbers = MobileDialog::choose({}, this)) ws_.setSmsNumbers(*numbers);
}

void MainWindow::chooseSmsPassword() {
    if (const auto pair = PasswordDialog::choose(ws_.messenger(), this))
        ws_.setSmsPassword(pair->oldPassword, pair->newPassword);
}

// Zariva beside the program; its absence (or a failed start) is told.
void MainWindow::startCalibrationTool() {
    const CalibrationLaunch launch = calibrationToolLaunch();
    if (launch.program) {
        const QString program = QString::fromStdString(launch.program->string());
        if (QProcess::startDetached(program, {}, QFileInfo(program).absolutePath())) return;
        ws_.messenger().show(calibrationMissingMessage());
        return;
    }
    if (launch.message) ws_.messenger().show(*launch.message);
}

void MainWindow::printActive() {
    const ActiveChild active = ws_.activeChild();
    if (active.kind != ChildKind::History) return;
    HistoryDocument* doc = ws_.activeDocument();
    if (!doc || active.index < 0 || active.index >= static_cast<int>(historyWindows_.size()))
        return;
    const QPointer<QMdiSubWindow> frame = historyWindows_[static_cast<std::size_t>(active.index)];
    auto* window = frame ? qobject_cast<HistoryWindow*>(frame->widget()) : nullptr;
    if (!window) return;
    printHistoryDocument(*doc, window->chart()->options(), this, window->activationEnergy());
}

// The manual in help/ beside the program, in the desktop's viewer; nothing is said
// when it is not there.
void MainWindow::showHelp() {
    // Beside the program in the build tree; under share/tarvo once installed.
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString& relative : {QStringLiteral("help/index.html"),
                                    QStringLiteral("../share/tarvo/help/index.html")}) {
        const QString manual = QDir::cleanPath(bin.filePath(relative));
        if (!QFileInfo::exists(manual)) continue;
        QDesktopServices::openUrl(QUrl::fromLocalFile(manual));
        return;
    }
}

// ---- the workstation's notices ----------------------------------------------------

void MainWindow::paneChanged() {
    const PropertyPane& pane = ws_.pane();
    pane_->showPane(pane);
    dock_->setVisible(pane.visible());
    actions_[slot(Command::ViewPropertyPane)]->setChecked(pane.visible());
}

void MainWindow::commandEchoChanged() {
    pane_->showCommandText(ws_.pane().commandText());
}

void MainWindow::enablingChanged() {
    CommandStates states = ws_.commandStates();
    const bool fleetBusy = fleetRunning();
    if (fleetBusy) {
        // The fleet's exchanges follow one another: the rule sees one long exchange.
        EnablingInputs in = ws_.enablingInputs();
        in.busy = true;
        states = commandEnabling(in);
    }
    for (const CommandInfo& info : commandTable()) {
        actions_[slot(info.command)]->setEnabled(states.enabled(info.command));
    }
    // Scanning and collecting may start where a connect may.
    const bool fleetMayStart = !fleetBusy && states.enabled(Command::Connect);
    scanAction_->setEnabled(fleetMayStart);
    collectAction_->setEnabled(fleetMayStart);
    // The pane's "确定" writes the parameters once there are any to write.
    pane_->setWriteEnabled(!fleetBusy && ws_.engine().flags().paramsAvailable);
    if (addToServer_) addToServer_->setEnabled(serverAppendEnabled(ws_));
}

void MainWindow::statusChanged() {
    statusLabel_->setText(QString::fromStdString(ws_.statusBarText()));
    const ProgressState& p = ws_.progressState();
    progress_->setRange(p.minimum, std::max(p.minimum, p.maximum));
    progress_->setValue(p.value);
}

void MainWindow::loginChanged() {
    loginLabel_->setText(QString::fromStdString(ws_.loginText()));
}

void MainWindow::viewTogglesChanged() {
    for (QToolBar* bar : toolbars_) bar->setVisible(ws_.toolbarShown());
    statusBar()->setVisible(ws_.statusBarShown());
    dock_->setVisible(ws_.pane().visible());
    actions_[slot(Command::ViewToolbar)]->setChecked(ws_.toolbarShown());
    actions_[slot(Command::ViewStatusBar)]->setChecked(ws_.statusBarShown());
    actions_[slot(Command::ViewPropertyPane)]->setChecked(ws_.pane().visible());
    actions_[slot(Command::ViewLiveWindow)]->setChecked(ws_.liveWindowChecked());
}

void MainWindow::selectorChanged() {
    const QSignalBlocker block(selector_);
    const auto& entries = ws_.selectorEntries();
    bool same = selector_->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < selector_->count(); ++i) {
        same = selector_->itemText(i) == QString::fromStdString(entries[static_cast<size_t>(i)]);
    }
    if (!same) {
        selector_->clear();
        for (const auto& entry : entries) selector_->addItem(QString::fromStdString(entry));
    }
    selector_->setCurrentIndex(ws_.selectedAddress() - 1);
}

// Each opened document gets its history window (frmData), which becomes the active
// child; the windows are kept in the order of the workstation's documents.
void MainWindow::documentOpened(int index) {
    const auto at = static_cast<std::ptrdiff_t>(
        std::clamp<int>(index, 0, static_cast<int>(historyWindows_.size())));
    auto* window = new HistoryWindow(ws_, index);
    QMdiSubWindow* child = mdi_->addSubWindow(window);
    child->setWindowIcon(programIcon());
    historyWindows_.insert(historyWindows_.begin() + at, child);
    child->show();
    mdi_->setActiveSubWindow(child);
}

void MainWindow::documentClosed(int index) {
    if (index < 0 || index >= static_cast<int>(historyWindows_.size())) return;
    const QPointer<QMdiSubWindow> window = historyWindows_[static_cast<std::size_t>(index)];
    historyWindows_.erase(historyWindows_.begin() + index);
    if (window) window->deleteLater();
}

void MainWindow::pleaseWait(bool shown) {
    if (!shown) {
        if (pleaseWait_) pleaseWait_->hide();
        return;
    }
    if (!pleaseWait_) pleaseWait_ = new PleaseWaitWindow(this);
    pleaseWait_->popUp();
}

// ---- the live window ------------------------------------------------------------------

// One live window per run: made the first time it is shown, hidden and never destroyed.
LiveWindow* MainWindow::ensureLiveWindow() {
    if (live_) return live_;
    live_ = new LiveWindow(ws_.liveDocument());
    liveFrame_ = mdi_->addSubWindow(live_);
    liveFrame_->setWindowIcon(programIcon());
    live_->setCloseGuard([this] { return ws_.liveWindowMayClose(); });
    connect(live_, &LiveWindow::closedByOperator, this, [this] {
        ws_.liveWindowClosed();
        viewTogglesChanged();
    });
    return live_;
}

void MainWindow::liveWindowShown() {
    ensureLiveWindow();
    live_->show();
    liveFrame_->show();
    mdi_->setActiveSubWindow(liveFrame_);
    live_->requestRedraw();
}

// The workstation hides the window when the operator asks and when it rebuilt the
// live document for new parameters; the list starts afresh for the latter (a rebuilt
// document holds no samples yet).
void MainWindow::liveWindowHidden() {
    if (!live_) return;
    const bool wasActive = liveFrame_ && mdi_->activeSubWindow() == liveFrame_;
    if (liveFrame_) liveFrame_->hide();
    if (ws_.liveDocument().sampleCount() == 0) live_->documentReset();
    if (wasActive || ws_.activeChild().kind == ChildKind::None) activateTopHistoryWindow();
}

// The history window on top of the others becomes the active child, as if it had been
// clicked, so that the commands on it (save, print) are at hand.
void MainWindow::activateTopHistoryWindow() {
    const QList<QMdiSubWindow*> stack = mdi_->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        QMdiSubWindow* child = *it;
        if (child == liveFrame_ || !child->isVisible()) continue;
        mdi_->setActiveSubWindow(child);
        // Qt may report nothing while the frame itself is not the active window.
        subWindowActivated(child);
        return;
    }
}

void MainWindow::liveSampleAdded() {
    if (live_) live_->requestRedraw();
}

void MainWindow::arrangeChildren(Arrangement how) {
    switch (how) {
        case Arrangement::Cascade:
            mdi_->cascadeSubWindows();
            break;
        case Arrangement::TileHorizontal:
            tile(Qt::Vertical);
            break;
        case Arrangement::TileVertical:
            tile(Qt::Horizontal);
            break;
        case Arrangement::ArrangeIcons:
            arrangeIcons();
            break;
    }
}

// ---- child windows ------------------------------------------------------------------

void MainWindow::subWindowActivated(QMdiSubWindow* window) {
    if (!window) {
        // Qt reports no active child while the whole program is in the background.
        if (mdi_->subWindowList().isEmpty()) ws_.setActiveChild({});
        return;
    }
    if (fleetFrame_ && window == fleetFrame_) {
        ws_.setActiveChild({});
        return;
    }
    if (liveFrame_ && window == liveFrame_) {
        ws_.setActiveChild({ChildKind::Live, -1});
        return;
    }
    for (std::size_t i = 0; i < historyWindows_.size(); ++i) {
        if (historyWindows_[i] == window) {
            ws_.setActiveChild({ChildKind::History, static_cast<int>(i)});
            return;
        }
    }
}

// "水平平铺" puts the children one above the other, each the area's full width;
// "垂直平铺" puts them side by side.
void MainWindow::tile(Qt::Orientation stacking) {
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (w->isVisible() && !w->isMinimized()) windows << w;
    }
    if (windows.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized()) w->showNormal();
        if (stacking == Qt::Vertical) {
            const int top = area.height() * i / n;
            const int bottom = area.height() * (i + 1) / n;
            w->setGeometry(0, top, area.width(), bottom - top);
        } else {
            const int left = area.width() * i / n;
            const int right = area.width() * (i + 1) / n;
            w->setGeometry(left, 0, right - left, area.height());
        }
    }
}

// Minimised children line up along the bottom edge of the area.
void MainWindow::arrangeIcons() {
    const QRect area = mdi_->viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (!w->isMinimized()) continue;
        const QSize size = w->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        w->move(x, y - size.height() + 1);
        x += size.width();
    }
}

// ---- the frame ----------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    if (shutDown_) {
        event->accept();
        return;
    }
    if (!ws_.mayClose()) {
        event->ignore();
        return;
    }
    // The history windows ask about unsaved changes; the live window is only ever
    // hidden and goes with the frame.
    for (QMdiSubWindow* child : mdi_->subWindowList()) {
        if (child != liveFrame_) child->close();
    }
    for (QMdiSubWindow* child : mdi_->subWindowList()) {
        if (child != liveFrame_) {
            event->ignore();
            return;
        }
    }
    ws_.shutDown();
    shutDown_ = true;
    event->accept();
}

// The please-wait window is minimised and restored with the main window, unless the
// main window is maximised.
void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || isMaximized()) return;
    if (!pleaseWait_ || !ws_.pleaseWaitShown()) return;
    if (isMinimized()) {
        pleaseWait_->showMinimized();
    } else {
        pleaseWait_->showNormal();
    }
}

// ---- the fleet -------------------------------------------------------------------

void MainWindow::buildFleetCommands() {
    fleet_ = std::make_unique<Fleet>(ws_.engine(), ws_.displayNames(), ws_.templates());
    fleetTimer_ = new QTimer(this);
    fleetTimer_->setInterval(50);
    connect(fleetTimer_, &QTimer::timeout, this, &MainWindow::pollFleet);

    QMenu* tools = menu(commandInfo(Command::Connect).menu);
    tools->addSeparator();
    scanAction_ = tools->addAction(QStringLiteral("扫描记录仪"));
    scanAction_->setObjectName(QStringLiteral("keyToolScan"));
    collectAction_ = tools->addAction(QStringLiteral("全部上传"));
    collectAction_->setObjectName(QStringLiteral("keyToolCollect"));
    connect(scanAction_, &QAction::triggered, this, &MainWindow::scanLine);
    connect(collectAction_, &QAction::triggered, this, &MainWindow::chooseAndCollect);
}

FleetWindow* MainWindow::fleetWindow() const {
    return fleetView_.data();
}

bool MainWindow::fleetRunning() const {
    return fleet_ && fleet_->running();
}

FleetWindow* MainWindow::ensureFleetWindow() {
    if (!fleetView_ || !fleetFrame_) {
        fleetView_ = new FleetWindow;
        fleetFrame_ = mdi_->addSubWindow(fleetView_);
        fleetFrame_->setWindowIcon(programIcon());
        // Wide enough for every column, at most the area's height.
        fleetFrame_->resize(std::max(640, mdi_->width() - 20),
                            std::clamp(mdi_->height() - 20, 240, 420));
        connect(fleetView_, &FleetWindow::loggerActivated, this,
                &MainWindow::fleetLoggerActivated);
        connect(fleetView_, &FleetWindow::cancelClicked, this, [this] { fleet_->cancel(); });
    }
    fleetFrame_->show();
    mdi_->setActiveSubWindow(fleetFrame_);
    return fleetView_;
}

void MainWindow::scanLine() {
    if (!scanAction_->isEnabled()) return;
    ensureFleetWindow();
    if (!fleet_->scan(kFirstDisplayAddress, kLastDisplayAddress)) return;
    fleetTimer_->start();
    refreshFleet();
    enablingChanged();
}

void MainWindow::chooseAndCollect() {
    if (!collectAction_->isEnabled()) return;
    SettingsStore& store = settingsStore_ ? *settingsStore_ : runStore_;
    const auto choice = CollectDialog::choose(loadCollectChoice(store), this);
    if (!choice) return;
    saveCollectChoice(store, *choice);
    collectAll(*choice);
}

bool MainWindow::collectAll(const CollectOptions& options) {
    if (!collectAction_->isEnabled()) return false;
    if (!ensureFolder(options.outDir)) return false;
    ensureFleetWindow();
    // The loggers the last scan found; without one, the collect scans first.
    if (!fleet_->collect(fleet_->found(), options)) return false;
    fleetTimer_->start();
    refreshFleet();
    enablingChanged();
    return true;
}

void MainWindow::pollFleet() {
    const bool changed = fleet_->poll();
    if (!fleet_->running()) {
        fleetTimer_->stop();
        // The pane shows the last logger read: the selector names it too.
        if (const auto last = fleet_->lastRead()) ws_.setSelectedAddress(*last);
        refreshFleet();
        enablingChanged();
        return;
    }
    if (changed) refreshFleet();
    if (fleetView_) {
        fleetView_->showProgress(true, fleet_->fraction(), fleetView_->progressText()->text());
    }
}

void MainWindow::refreshFleet() {
    if (!fleetView_) return;
    fleetView_->showRows(fleetRows(fleet_->loggers()));
    QString text;
    if (fleet_->running()) {
        const FleetProgress p = fleet_->progress();
        text = QStringLiteral("%1 %2/%3 (地址 %4)")
                   .arg(fleet_->work() == FleetWork::Scan ? QStringLiteral("扫描")
                                                          : QStringLiteral("上传"))
                   .arg(p.done)
                   .arg(p.total)
                   .arg(p.address);
    }
    fleetView_->showProgress(fleet_->running(), fleet_->fraction(), text);
}

// As picking the logger in the selector and choosing "连接(&I)".
void MainWindow::fleetLoggerActivated(int address) {
    ws_.setSelectedAddress(address);
    if (!action(Command::Connect)->isEnabled()) return;
    ws_.storeSelectedAddress();
    runCommand(Command::Connect);
}

}  // namespace tarvo::gui
