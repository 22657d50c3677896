#include "windows_version.h"

#include <QString>
#include <QSysInfo>

std::string WindowsVersionName(int platformId, int major, int minor) {
    constexpr const char* kUnknown = "Couldn't determine system";
    switch (platformId) {
        case 0:
            return "Windows 32s";
        case 1:
            return major > 4 || (major == 4 && minor > 0) ? "Windows 98" : "Windows 95";
        case 2:
            if (major <= 4) {
                return "Windows NT";
            }
            return major == 5 ? "Windows 2000" : kUnknown;
        default:
            return kUnknown;
    }
}

std::string ShowWinVersion() {
    const std::string name = QSysInfo::prettyProductName().toStdString();
    return name.empty() ? "Couldn't determine system" : name;
}
