// Mobrel: the desktop zip and unzip utility.
#include <QIcon>
#include <QTimer>
#include <cstdlib>

#include "form1.h"
#include "mobrel_application.h"
#include "platform/allocator_tuning.h"
#include "qt_interactive_services.h"

namespace {

// MOBREL_SCREENSHOT=file.png: once the window has been laid out and drawn, save a picture
// of it there and end (for the documentation's pictures, taken under a virtual display).
void ScheduleScreenshot(TForm1& form) {
    const char* target = std::getenv("MOBREL_SCREENSHOT");
    if (target == nullptr || *target == '\0') {
        return;
    }
    const QString fileName = QString::fromLocal8Bit(target);
    QTimer::singleShot(1500, &form, [&form, fileName] {
        const bool saved = form.grab().save(fileName, "PNG");
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

}  // namespace

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
