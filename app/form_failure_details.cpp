#include "form_failure_details.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TFormFailureDetails::TFormFailureDetails(const std::vector<mobrel::TEntryFailure>& failures,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Details");
    Table = new QTableWidget(static_cast<int>(failures.size()), 2, this);
    Table->setHorizontalHeaderLabels({"Name", "Reason"});
    Table->verticalHeader()->hide();
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < Table->rowCount(); ++row) {
        const mobrel::TEntryFailure& failure = failures[static_cast<size_t>(row)];
        Table->setItem(row, 0, Cell(failure.Name.empty() ? failure.Target : failure.Name));
        Table->setItem(row, 1, Cell(failure.Reason));
    }
    Table->resizeColumnsToContents();
    Table->horizontalHeader()->setStretchLastSection(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Table);
    layout->addWidget(buttons);
    resize(560, 300);
}
