#pragma once
// The agreement a self-extracting program made by the application shows before it
// extracts: what to click, who made the product and how to reach him, then the licence.
#include <string>

// 133 lines joined by CR LF, with a final CR LF.
std::string SfxAgreementText();
