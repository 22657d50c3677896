#pragma once
// The drive picker. This platform has no drive letters: its drives are the mounted volumes,
// each shown by its root folder and label.
#include <QComboBox>
#include <functional>
#include <string>

class TDriveComboBox : public QComboBox {
    Q_OBJECT

  public:
    explicit TDriveComboBox(QWidget* parent = nullptr);

    // The root folder of the chosen volume.
    std::string Drive() const;
    // Chooses the volume that holds path (the longest matching root).
    void SetDrive(const std::string& path);
    // Reads the mounted volumes again, keeping the choice when it is still mounted.
    void Update();

    // The user chose a drive.
    std::function<void()> OnChange;

  private:
    int IndexOfVolumeHolding(const std::string& path) const;
};
