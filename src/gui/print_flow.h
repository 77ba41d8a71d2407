#pragma once
// The print command of a history window: the print options (dlgPrint), then the
// printer ("选择打印机"; a PDF file when the operator picks printing to a file), then the
// report on it under the hourglass.

#include "data/channel_summary.h"
#include "data/chart_model.h"
#include "data/history_document.h"

class QWidget;

namespace tarvo::gui {

// The choices of the options dialog are kept in the document (its print flags) as soon
// as it closes with "确定", whether or not a printer is then chosen. Returns true when a
// report was printed; false when a dialog was cancelled, the document has nothing to
// print, or the printer failed (which is not reported).
// The report's summary block uses `activationEnergy` (kJ/mol).
bool printHistoryDocument(HistoryDocument& doc, const ChartOptions& chart, QWidget* parent,
                          double activationEnergy = kDefaultActivationEnergy);

}  // namespace tarvo::gui
