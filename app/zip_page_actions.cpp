// The Zip page, the saved file lists and the file operations of the main window.
// Placeholders: each handler here does nothing yet.
#include "form1.h"

void TForm1::a_AddAllExecute() {}
void TForm1::a_AddSelectedExecute() {}
void TForm1::a_DeleteSelectedExecute() {}
void TForm1::a_clearExecute() {}
void TForm1::ListBox1Click() {}
void TForm1::ToolButton20Click() {}
void TForm1::a_newExecute() {}
void TForm1::a_zOpenExistingExecute() {}
void TForm1::a_AddToCurrentZipExecute() {}
void TForm1::a_MakeZipExecute(const std::string& /*name*/) {}
void TForm1::a_loadListExecute() {}
void TForm1::a_saveFileListExecute() {}
void TForm1::a_saveUnzipFileListExecute() {}
void TForm1::delFile(TFileListBox& /*fileList*/) {}
bool TForm1::deleteDir(const std::string& /*folder*/) {
    return false;
}
void TForm1::moveUpDir(const std::string& /*folder*/) {}
void TForm1::createNewDir(TDirectoryListBox& /*folderTree*/) {}
void TForm1::UpdateFiles1Click() {}
void TForm1::FileOperations1Click() {}
void TForm1::DeleteDirectory1Click() {}
void TForm1::NewDirectory1Click() {}
