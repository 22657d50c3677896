#include "last_filename.h"

#include <QSettings>

namespace {

constexpr const char* kSettingsOrganization = "Tollan";
constexpr const char* kSettingsApplication = "myMobrel";
constexpr const char* kLastFileValue = "LastFile";

}  // namespace

std::string LastFilename() {
    const QSettings settings(kSettingsOrganization, kSettingsApplication);
    return settings.value(kLastFileValue).toString().toStdString();
}

void SaveLastFilename(const std::string& name) {
    QSettings settings(kSettingsOrganization, kSettingsApplication);
    settings.setValue(kLastFileValue, QString::fromStdString(name));
}
