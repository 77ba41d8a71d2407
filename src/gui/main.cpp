// tarvo: the workstation's window.
//   tarvo [--demo] [FILE]
// --demo talks to the built-in simulated logger on a pseudo-terminal for this run
// (the stored port stays as it was); FILE is a logger data file opened at start-up.

#include <QApplication>
#include <QCommandLineParser>
#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>
#include <QStyleFactory>

#include <memory>
#include <optional>
#include <string>

#include "gui/main_window.h"
#include "gui/message_box_messenger.h"
#include "gui/translations.h"
#include "platform/demo_logger.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_settings_store.h"
#include "platform/qt_timer_service.h"
#include "workstation/port_override_store.h"
#include "workstation/workstation.h"

namespace {

// Everything the operator reads is Chinese: a font that has the characters, at the
// size of the desktop's dialogs. WenQuanYi Micro Hei draws "℃" blank, so there the
// Latin letters and signs come from DejaVu Sans and only the Chinese from it.
void chooseFont(QApplication& app) {
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const char* cjk : {"Microsoft YaHei", "Noto Sans CJK SC", "Source Han Sans SC"}) {
        if (installed.contains(QString::fromLatin1(cjk))) {
            families << QString::fromLatin1(cjk);
            break;
        }
    }
    if (families.isEmpty() && installed.contains(QStringLiteral("WenQuanYi Micro Hei"))) {
        if (installed.contains(QStringLiteral("DejaVu Sans")))
            families << QStringLiteral("DejaVu Sans");
        families << QStringLiteral("WenQuanYi Micro Hei");
    }
    if (families.isEmpty()) return;
    QFont font = QApplication::font();
    font.setFamilies(families);
    font.setPointSize(9);
    app.setFont(font);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvo"));
    if (QStyleFactory::keys().contains(QStringLiteral("Fusion"))) {
        QApplication::setStyle(QStringLiteral("Fusion"));
    }
    chooseFont(app);
    tarvo::gui::installChineseTranslations(&app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("The workstation for the data loggers."));
    parser.addHelpOption();
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Talk to the built-in simulated logger instead of the stored port."));
    parser.addOption(demo);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A logger data file (.orx) to open."));
    parser.process(app);

    // The simulated logger outlives everything that talks to it.
    tarvo::DemoLogger demoLogger;
    std::optional<std::string> demoPort;
    if (parser.isSet(demo)) {
        std::string error;
        demoPort = demoLogger.start(error);
        if (!demoPort) {
            QMessageBox::critical(nullptr, QString::fromUtf8(tarvo::kProgramTitle.data()),
                                  QStringLiteral("cannot start the simulated logger: ") +
                                      QString::fromStdString(error));
            return 1;
        }
    }

    tarvo::QtSettingsStore userStore;
    std::unique_ptr<tarvo::PortOverrideStore> demoStore;
    tarvo::SettingsStore* store = &userStore;
    if (demoPort) {
        demoStore = std::make_unique<tarvo::PortOverrideStore>(userStore, *demoPort);
        store = demoStore.get();
    }

    tarvo::QtTimerService timers;
    tarvo::QtSerialPort port;
    tarvo::gui::MessageBoxMessenger messenger;
    tarvo::Workstation workstation(timers, port, messenger, *store);
    tarvo::gui::MainWindow window(workstation);
    window.setSettingsStore(store);
    messenger.setParent(&window);
    window.show();

    // The command line names one file; a name with blanks may arrive in pieces.
    const std::string commandLine =
        parser.positionalArguments().join(QLatin1Char(' ')).toStdString();
    workstation.startUp(commandLine);
    return app.exec();
}
