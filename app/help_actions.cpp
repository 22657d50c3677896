// The Help menu: the help and about windows and the tutorial page beside the program.
#include <QCoreApplication>

#include "form1.h"
#include "form_about.h"
#include "help_contents.h"
#include "platform/file_helpers.h"
#include "platform/host_path.h"
#include "shell_open.h"

void TForm1::a_infoExecute() {
    ShowModalWindow(*helpContents);
}

void TForm1::a_aboutExecute() {
    ShowModalWindow(*FormAbout);
}

void TForm1::a_TutExecute() {
    const std::string path = TutorialPath();
    if (mobrel::FileExists(path)) {
        ShellOpenFile(path);
    }
}

// Beside the program; an installed program keeps its pages with the other shared data.
std::string TForm1::TutorialPath() {
    const std::string programFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::string beside = mobrel::JoinPath(programFolder, "helpFiles/index.html");
    const std::string installed =
        mobrel::JoinPath(programFolder, "../share/mobrel/helpFiles/index.html");
    if (!mobrel::FileExists(beside) && mobrel::FileExists(installed)) {
        return installed;
    }
    return beside;
}
