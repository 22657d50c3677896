#pragma once
// The password window: names the entry that needs a password and takes it. The box keeps
// what was typed for the whole run, so the last password is offered again next time.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormPassword : public QDialog {
    Q_OBJECT

  public:
    explicit TFormPassword(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* OkButton;
};
