#include "mobrel_application.h"

#include "exception_handler.h"

TMobrelApplication::TMobrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TMobrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowEscapedException(std::current_exception());
        return false;
    }
}
