#pragma once
// The about box: the copyright notice, and a button that starts an e-mail to the author
// with the program's version and the operating system in the subject.
#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

class TFormAbout : public QDialog {
    Q_OBJECT

  public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // "mailto:" + address + "?Subject= " + caption + " " + system + "&Body=".
    std::string MailLink() const;

    QLineEdit* Notice;
    QPushButton* CloseButton;
    QPushButton* EmailButton;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
