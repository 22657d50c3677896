// Mobrel: the desktop zip and unzip utility.
#include "form1.h"
#include "mobrel_application.h"
#include "qt_interactive_services.h"

int main(int argc, char** argv) {
    TMobrelApplication application(argc, argv);
    TMobrelApplication::setApplicationName("Mobrel");
    TMobrelApplication::setApplicationDisplayName("Mobrel");
    TQtInteractiveServices services;
    TForm1 form1(TMobrelApplication::arguments().mid(1));
    services.SetParent(&form1);
    form1.show();
    return TMobrelApplication::exec();
}
