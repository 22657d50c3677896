#pragma once
// The details of a run that left entries out: a table of each entry's name and why.
#include <QDialog>
#include <vector>

#include "reader/entry_failure.h"

class QTableWidget;

class TFormFailureDetails : public QDialog {
    Q_OBJECT

  public:
    explicit TFormFailureDetails(const std::vector<mobrel::TEntryFailure>& failures,
                                 QWidget* parent = nullptr);

    QTableWidget* Table;  // name, reason
};
