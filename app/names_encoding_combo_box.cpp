#include "names_encoding_combo_box.h"

#include <QSignalBlocker>

namespace {

using mobrel::TNamesCodePage;

const char* CaptionOf(TNamesCodePage page) {
    switch (page) {
        case TNamesCodePage::Cp437:
            return "CP437 (DOS, default)";
        case TNamesCodePage::Cp850:
            return "CP850 (DOS Western Europe)";
        case TNamesCodePage::Cp852:
            return "CP852 (DOS Central Europe)";
        case TNamesCodePage::Cp866:
            return "CP866 (DOS Cyrillic)";
        case TNamesCodePage::Cp1250:
            return "CP1250 (Windows Central Europe)";
        case TNamesCodePage::Cp1251:
            return "CP1251 (Windows Cyrillic)";
        case TNamesCodePage::Cp1252:
            return "CP1252 (Windows Western Europe)";
        case TNamesCodePage::Cp932:
            return "Shift-JIS (CP932)";
        case TNamesCodePage::Cp936:
            return "GBK (CP936)";
        case TNamesCodePage::Cp949:
            return "EUC-KR (CP949)";
        case TNamesCodePage::Cp950:
            return "Big5 (CP950)";
    }
    return "";
}

}  // namespace

TNamesEncodingComboBox::TNamesEncodingComboBox(QWidget* parent) : QComboBox(parent) {
    for (const TNamesCodePage page : mobrel::NamesCodePages()) {
        addItem(CaptionOf(page), static_cast<int>(page));
    }
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (OnChange) {
            OnChange();
        }
    });
}

TNamesCodePage TNamesEncodingComboBox::Page() const {
    return static_cast<TNamesCodePage>(currentData().toInt());
}

void TNamesEncodingComboBox::SetPage(TNamesCodePage page) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(findData(static_cast<int>(page)));
}
