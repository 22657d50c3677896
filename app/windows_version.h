#pragma once
// The name of a Windows version, from the platform id and version numbers the platform's
// version query reports. Kept for the e-mail subject's fixed wording; this platform names
// itself through Qt instead.
#include <string>

std::string WindowsVersionName(int platformId, int major, int minor);

// The running system's name as the about box puts it into the e-mail subject.
std::string ShowWinVersion();
