#pragma once
// The help and information window: the version, a note, and buttons beside boxes that
// open the product's web pages.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class ThelpContents : public QDialog {
    Q_OBJECT

  public:
    explicit ThelpContents(QWidget* parent = nullptr);

    QLabel* Picture;
    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;      // "&Close"
    QPushButton* Button2;      // JavaScript tutorial, beside Edit1
    QPushButton* Button3;      // HTML tutorial, beside Edit2
    QPushButton* Button5;      // JavaScript editor, beside Edit3
    QPushButton* Button6;      // other products, beside Edit4
    QPushButton* emailButton;  // "Donate"
    QPushButton* BitBtn1;      // home page, beside Edit5
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QLineEdit* Edit5;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    void ConnectButtons();
    // Opens a page in the desktop's browser; a failure shows nothing.
    static void OpenPage(const QString& address);
};
