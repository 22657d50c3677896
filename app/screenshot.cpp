#include "screenshot.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <vector>

#include "form1.h"

namespace {

// Long enough for the window to be laid out and drawn, and for a run to finish.
constexpr int kSettleMilliseconds = 1500;

QString Setting(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? QString() : QString::fromLocal8Bit(value);
}

// The main window with the dialogs shown over it where they stand, the modal one on top.
QPixmap Picture(TForm1& form) {
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    QWidget* top = QApplication::activeModalWidget();
    std::vector<QWidget*> dialogs;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget != top && widget->isVisible() && qobject_cast<QDialog*>(widget) != nullptr) {
            dialogs.push_back(widget);
        }
    }
    if (top != nullptr && top != &form) {
        dialogs.push_back(top);
    }
    for (QWidget* dialog : dialogs) {
        painter.drawPixmap(dialog->geometry().topLeft() - form.geometry().topLeft(),
                           dialog->grab());
    }
    return picture;
}

void SaveAndEnd(TForm1& form, const QString& fileName) {
    const bool saved = Picture(form).save(fileName, "PNG");
    // Ends every event loop, those of the open dialogs too.
    QCoreApplication::exit(saved ? 0 : 1);
}

void PressThenSave(TForm1& form, const QString& fileName, const QString& buttonText) {
    QWidget* window = QApplication::activeModalWidget();
    QPushButton* button = nullptr;
    if (window != nullptr && !buttonText.isEmpty()) {
        for (QPushButton* candidate : window->findChildren<QPushButton*>()) {
            if (candidate->text() == buttonText) {
                button = candidate;
            }
        }
    }
    if (button == nullptr) {
        SaveAndEnd(form, fileName);
        return;
    }
    QTimer::singleShot(kSettleMilliseconds, &form,
                       [&form, fileName] { SaveAndEnd(form, fileName); });
    button->click();
}

}  // namespace

void ScheduleScreenshot(TForm1& form) {
    const QString fileName = Setting("MOBREL_SCREENSHOT");
    if (fileName.isEmpty()) {
        return;
    }
    const QString actionName = Setting("MOBREL_SCREENSHOT_ACTION");
    const QString buttonText = Setting("MOBREL_SCREENSHOT_BUTTON");
    QTimer::singleShot(kSettleMilliseconds, &form, [&form, fileName, actionName, buttonText] {
        auto* action = actionName.isEmpty() ? nullptr : form.findChild<QAction*>(actionName);
        if (action == nullptr) {
            SaveAndEnd(form, fileName);
            return;
        }
        // The action's closing message is modal: the next steps run inside its loop.
        QTimer::singleShot(kSettleMilliseconds, &form, [&form, fileName, buttonText] {
            PressThenSave(form, fileName, buttonText);
        });
        form.UpdateActions();
        action->trigger();
    });
}
