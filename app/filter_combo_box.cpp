#include "filter_combo_box.h"

TFilterComboBox::TFilterComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (OnChange) {
            OnChange();
        }
    });
}

void TFilterComboBox::AddFilter(const std::string& caption, const std::string& mask) {
    addItem(QString::fromStdString(caption), QString::fromStdString(mask));
}

std::string TFilterComboBox::Mask() const {
    return currentData().toString().toStdString();
}
