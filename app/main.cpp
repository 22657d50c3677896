// Mobrel: the desktop zip and unzip utility.
#include <QIcon>

#include "form1.h"
#include "mobrel_application.h"
#include "platform/allocator_tuning.h"
#include "qt_interactive_services.h"
#include "screenshot.h"

int main(int argc, char** argv) {
    mobrel::KeepFreedMemoryForReuse();
    TMobrelApplication application(argc, argv);
    TMobrelApplication::setApplicationName("Mobrel");
    TMobrelApplication::setApplicationDisplayName("Mobrel");
    TMobrelApplication::setWindowIcon(QIcon::fromTheme("mobrel"));
    TQtInteractiveServices services;
    TForm1 form1(TMobrelApplication::arguments().mid(1));
    services.SetParent(&form1);
    form1.show();
    ScheduleScreenshot(form1);
    return TMobrelApplication::exec();
}
