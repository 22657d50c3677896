#include "form_file_ops.h"

TFormFileOps::TFormFileOps(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tollan's File Operations");
}
