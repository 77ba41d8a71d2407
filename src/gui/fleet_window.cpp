#include "gui/fleet_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/colours.h"
#include "gui/qt_text.h"
#include "workstation/property_rows.h"

namespace tarvo::gui {

namespace {

enum Column { Address, Name, Model, Status, Records, Memory, Clock, Collected, File, Result };

}  // namespace

FleetWindow::FleetWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmFleet"));
    setWindowTitle(QStringLiteral("记录仪总览"));

    table_ = new QTableWidget(0, static_cast<int>(kFleetColumns.size()), this);
    table_->setObjectName(QStringLiteral("ListFleet"));
    QStringList headers;
    for (const auto caption : kFleetColumns) headers << qs(caption);
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setAlternatingRowColors(true);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(addresses_.size())) {
            emit loggerActivated(addresses_[static_cast<std::size_t>(row)]);
        }
    });

    strip_ = new QProgressBar(this);
    strip_->setObjectName(QStringLiteral("PictureFleetProgress"));
    strip_->setRange(0, 1000);
    strip_->setTextVisible(false);
    text_ = new QLabel(this);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cancel_, &QPushButton::clicked, this, &FleetWindow::cancelClicked);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(text_);
    bottom->addWidget(strip_, 1);
    bottom->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    showProgress(false, 0, {});
    resize(900, 300);
}

void FleetWindow::showRows(const std::vector<FleetRow>& rows) {
    table_->setRowCount(static_cast<int>(rows.size()));
    addresses_.clear();
    const QColor recording = toQColor(kRecordingColour);
    const QColor stopped = toQColor(kStoppedColour);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const FleetRow& row = rows[static_cast<std::size_t>(r)];
        addresses_.push_back(row.address);
        const std::array<std::string, kFleetColumns.size()> texts = {
            row.addressText, row.name,        row.model,         row.workStatus, row.records,
            row.memoryUsed,  row.clockOffset, row.lastCollected, row.file,       row.result};
        for (int c = 0; c < static_cast<int>(texts.size()); ++c) {
            auto* item = table_->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                table_->setItem(r, c, item);
            }
            item->setText(QString::fromStdString(texts[static_cast<std::size_t>(c)]));
            item->setForeground(palette().text());
        }
        if (!row.workStatus.empty()) {
            table_->item(r, Status)->setForeground(row.recording ? recording : stopped);
        }
        if (row.clockOffsetWrong) table_->item(r, Clock)->setForeground(stopped);
        if (row.failed) table_->item(r, Result)->setForeground(stopped);
    }
    table_->resizeColumnsToContents();
}

void FleetWindow::showProgress(bool running, double fraction, const QString& text) {
    strip_->setVisible(running);
    cancel_->setVisible(running);
    text_->setVisible(running);
    strip_->setValue(static_cast<int>(fraction * 1000));
    text_->setText(text);
}

}  // namespace tarvo::gui
