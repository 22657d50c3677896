// Making a self-extracting program from the list of files to zip.
// Placeholder: does nothing yet.
#include "form1.h"

void TForm1::a_zMakeEXEExecute() {}
