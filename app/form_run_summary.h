#pragma once
// The closing message of a run that left entries out: what was done, how many failed and
// why, and a "Details..." button that lists them one by one.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "reader/entry_failure.h"

class QLabel;
class QPushButton;

class TFormRunSummary : public QDialog {
    Q_OBJECT

  public:
    // showModal shows the details window as the main window shows its side windows.
    TFormRunSummary(const std::string& text, std::vector<mobrel::TEntryFailure> failures,
                    std::function<int(QDialog&)> showModal, QWidget* parent = nullptr);

    std::string Text() const;
    const std::vector<mobrel::TEntryFailure>& Failures() const { return failures_; }
    // What "Details..." does.
    void ShowDetails();

    QLabel* MessageLabel;
    QPushButton* DetailsButton;
    QPushButton* OkButton;

  private:
    std::vector<mobrel::TEntryFailure> failures_;
    std::function<int(QDialog&)> showModal_;
};
