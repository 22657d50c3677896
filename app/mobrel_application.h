#pragma once
// The application object: the last line of defence for exceptions that escape an event
// handler, which reach the standard handler instead of ending the program.
#include <QApplication>

class TMobrelApplication : public QApplication {
    Q_OBJECT

  public:
    TMobrelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
