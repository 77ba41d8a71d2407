#include "gui/print_flow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "files/report_layout.h"
#include "gui/print_dialog.h"
#include "gui/qt_report_painter.h"

namespace tarvo::gui {

namespace {

// The hourglass for as long as the report is being drawn.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool printHistoryDocument(HistoryDocument& doc, const ChartOptions& chart, QWidget* parent,
                          double activationEnergy) {
    if (!doc.loaded || doc.channels.empty()) return false;
    const auto choices = PrintDialog::choose(printDialogFor(doc), parent);
    if (!choices) return false;
    applyPrintChoices(*choices, doc);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(doc.caption));
    printer.setCreator(QStringLiteral("Tarvo"));
    // Without any printer the dialog can only print to a PDF file: it suggests one named
    // after the document in the home folder.
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        QString name = QFileInfo(QString::fromStdString(doc.caption)).completeBaseName();
        if (name.isEmpty()) name = QStringLiteral("Tarvo");
        printer.setOutputFileName(QDir::home().filePath(name + QStringLiteral(".pdf")));
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QString::fromUtf8(kPrinterDialogTitle.data(),
                                            static_cast<qsizetype>(kPrinterDialogTitle.size())));
    if (dialog.exec() != QDialog::Accepted) return false;

    ReportOptions options;
    options.font = choices->printFont;
    options.chart = chart;
    options.printSummary = choices->summary.checked;
    options.activationEnergy = activationEnergy;
    const WaitCursor hourglass;
    return printReport(printer, doc, options) > 0;
}

}  // namespace tarvo::gui
