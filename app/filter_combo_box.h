#pragma once
// The filter picker: captions, each standing for a mask that its file list applies.
#include <QComboBox>
#include <functional>
#include <string>

class TFilterComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit TFilterComboBox(QWidget* parent = nullptr);

    void AddFilter(const std::string& caption, const std::string& mask);
    // The mask of the chosen caption.
    std::string Mask() const;

    std::function<void()> OnChange;
};
