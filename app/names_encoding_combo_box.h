#pragma once
// The "Names encoding" picker: the code pages that names without the UTF-8 flag from MS-DOS
// hosts may be read in, each by a caption that says where it was used.
#include <QComboBox>
#include <functional>

#include "platform/names_code_page.h"

class TNamesEncodingComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit TNamesEncodingComboBox(QWidget* parent = nullptr);

    mobrel::TNamesCodePage Page() const;
    // Shows page as the choice without calling OnChange.
    void SetPage(mobrel::TNamesCodePage page);

    // The user chose a page.
    std::function<void()> OnChange;
};
