#pragma once
// Small building blocks the window and its pages are laid out with.
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

// A captioned frame whose controls stand one below the other.
inline QGroupBox* Panel(const char* caption, QWidget* parent) {
    auto* panel = new QGroupBox(caption, parent);
    new QVBoxLayout(panel);
    return panel;
}

// A box that shows a text the user can select and copy but not change.
inline QLineEdit* ReadOnlyBox(QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setReadOnly(true);
    return box;
}
