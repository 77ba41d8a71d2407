#include "gui/print_dialog.h"
#include "gui/qt_report_painter.h"
#include "gui/qt_text.h"

#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/twips.h"

namespace tarvo::gui {

namespace {

// 5628 twips wide; the tree takes the height above the buttons.
constexpr int kDialogWidth = 5628 / kTwipsPerPixel;
constexpr int kMinimumHeight = 3075 / kTwipsPerPixel;
constexpr int kOpeningHeight = 340;

QTreeWidgetItem* newNode(const PrintTreeNode& node) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromStdString(node.text));
    item->setData(0, Qt::UserRole, QString::fromStdString(node.key));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, node.checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

}  // namespace

PrintDialog::PrintDialog(PrintDialogModel model, QWidget* parent)
    : QDialog(parent), model_(std::move(model)) {
    setObjectName(QStringLiteral("dlgPrint"));
    setWindowTitle(qs(kPrintDialogCaption));
    setModal(true);
    model_.confirmed = false;

    auto* prompt = new QLabel(qs(kPrintDialogPrompt), this);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    auto* explanation = new QLabel(qs(kPrintDialogExplanation), this);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("TreeView1"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->header()->setStretchLastSection(true);
    buildTree();
    connect(tree_, &QTreeWidget::itemChanged, this, &PrintDialog::itemChanged);

    font_ = new QPushButton(qs(kPrintFontButton), this);
    font_->setObjectName(QStringLiteral("cmdFont"));
    font_->setAutoDefault(false);
    connect(font_, &QPushButton::clicked, this, &PrintDialog::chooseFont);

    ok_ = new QPushButton(qs(kPrintOkButton), this);
    ok_->setObjectName(QStringLiteral("cmdOK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(qs(kPrintCancelButton), this);
    cancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(ok_, &QPushButton::clicked, this, [this] {
        model_.confirmed = true;
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // The lower panel: the font button on the left, OK and Cancel on the right.
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(font_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addWidget(prompt);
    layout->addWidget(explanation);
    layout->addWidget(tree_, 1);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    setFixedWidth(kDialogWidth);
    setMinimumHeight(kMinimumHeight);
    resize(kDialogWidth, kOpeningHeight);
}

void PrintDialog::buildTree() {
    syncing_ = true;
    tree_->clear();
    for (const PrintTreeChannel& channel : model_.channels()) {
        QTreeWidgetItem* top = newNode(channel.top);
        top->addChild(newNode(channel.curve));
        top->addChild(newNode(channel.list));
        tree_->addTopLevelItem(top);
        top->setExpanded(true);
    }
    tree_->addTopLevelItem(newNode(model_.summary));
    syncing_ = false;
}

QTreeWidgetItem* PrintDialog::item(std::string_view key) const {
    const QString wanted = qs(key);
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        if (top->data(0, Qt::UserRole).toString() == wanted) return top;
        for (int c = 0; c < top->childCount(); ++c) {
            if (top->child(c)->data(0, Qt::UserRole).toString() == wanted) return top->child(c);
        }
    }
    return nullptr;
}

// Every item takes the check mark of its node in the model.
void PrintDialog::syncTree() {
    syncing_ = true;
    for (const PrintTreeChannel& channel : model_.channels()) {
        for (const PrintTreeNode* node : {&channel.top, &channel.curve, &channel.list}) {
            if (QTreeWidgetItem* it = item(node->key))
                it->setCheckState(0, node->checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    if (QTreeWidgetItem* it = item(model_.summary.key))
        it->setCheckState(0, model_.summary.checked ? Qt::Checked : Qt::Unchecked);
    syncing_ = false;
}

void PrintDialog::itemChanged(QTreeWidgetItem* changed, int column) {
    if (syncing_ || column != 0) return;
    const std::string key = changed->data(0, Qt::UserRole).toString().toStdString();
    model_.setChecked(key, changed->checkState(0) == Qt::Checked);
    syncTree();
}

void PrintDialog::fontChosen(const QFont& font) {
    model_.printFont.name = font.family().toStdString();
    if (font.pointSizeF() > 0) model_.printFont.pointSize = font.pointSizeF();
}

// The dialog opens on the font the report really prints with: the named font may not
// be installed (宋体 on Linux), and the dialog's own stand-in for it would otherwise
// become the print font on OK.
void PrintDialog::chooseFont() {
    const QFont printed = reportQFont(model_.printFont);
    QFont current(QFontInfo(printed).family());
    current.setPointSizeF(printed.pointSizeF());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, current, this, qs(kPrintFontDialogTitle));
    if (!ok) return;
    // OK on the font as offered leaves the print font as it was.
    if (chosen.family() == current.family() && chosen.pointSizeF() == current.pointSizeF())
        return;
    fontChosen(chosen);
}

std::optional<PrintDialogModel> PrintDialog::choose(PrintDialogModel model, QWidget* parent) {
    PrintDialog dialog(std::move(model), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.model();
}

}  // namespace tarvo::gui
