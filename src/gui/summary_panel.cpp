#include "gui/summary_panel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/codecs.h"
#include "data/channel_summary.h"
#include "data/history_document.h"
#include "gui/qt_text.h"
#include "gui/colours.h"

namespace tarvo::gui {

SummaryPanel::SummaryPanel(SettingsStore& store, QWidget* parent)
    : QWidget(parent), store_(store), energy_(loadActivationEnergy(store)) {
    setObjectName(QStringLiteral("PanelSummary"));

    auto* label = new QLabel(qs(kActivationEnergyLabel) + QStringLiteral("(kJ/mol):"), this);
    energyEdit_ = new QLineEdit(QString::fromStdString(activationEnergyText(energy_)), this);
    energyEdit_->setObjectName(QStringLiteral("Text活化能"));
    energyEdit_->setMaximumWidth(100);
    label->setBuddy(energyEdit_);
    connect(energyEdit_, &QLineEdit::editingFinished, this, &SummaryPanel::energyEdited);

    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("ListViewSummary"));
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setAllColumnsShowFocus(true);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    QStringList headers;
    for (const std::string_view header : kSummaryColumns) headers << qs(header);
    table_->setHeaderLabels(headers);
    table_->header()->setStretchLastSection(false);
    table_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* energyRow = new QHBoxLayout;
    energyRow->addWidget(label);
    energyRow->addWidget(energyEdit_);
    energyRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(energyRow);
    layout->addWidget(table_, 1);
}

void SummaryPanel::energyEdited() {
    const auto energy = parseActivationEnergy(energyEdit_->text().trimmed().toStdString());
    if (!energy) {
        // Not an energy: the one in use stays, and so does its text.
        energyEdit_->setText(QString::fromStdString(activationEnergyText(energy_)));
        return;
    }
    energyEdit_->setText(QString::fromStdString(activationEnergyText(*energy)));
    if (*energy == energy_) return;
    energy_ = *energy;
    storeActivationEnergy(store_, energy_);
    emit energyChanged(energy_);
}

void SummaryPanel::refresh(const HistoryDocument* doc) {
    if (!doc || !doc->loaded) {
        table_->clear();
        return;
    }
    const std::vector<ChannelSummary> summaries = summarizeView(*doc, energy_);
    if (table_->topLevelItemCount() != static_cast<int>(summaries.size())) {
        table_->clear();
        for (std::size_t i = 0; i < summaries.size(); ++i) new QTreeWidgetItem(table_);
    }
    for (std::size_t i = 0; i < summaries.size(); ++i) {
        QTreeWidgetItem* item = table_->topLevelItem(static_cast<int>(i));
        Rgb colour = doc->channels[i].color;  // a copy: the list stores the default itself
        const QBrush brush(toQColor(defaultCurveColor(colour, static_cast<int>(i) + 1)));
        const std::vector<std::string> cells = summaryCells(summaries[i]);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            item->setText(static_cast<int>(c), QString::fromStdString(cells[c]));
            item->setForeground(static_cast<int>(c), brush);
        }
    }
}

}  // namespace tarvo::gui
