#include "number_format.h"

#include <QLocale>

std::string FormatThousands(int64_t value, const std::string& separator) {
    const bool negative = value < 0;
    // Through unsigned arithmetic so the most negative value has a magnitude too.
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    std::string digits;
    int inGroup = 0;
    do {
        if (inGroup == 3) {
            digits.insert(0, separator);
            inGroup = 0;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
        magnitude /= 10;
        ++inGroup;
    } while (magnitude != 0);
    return negative ? "-" + digits : digits;
}

std::string FormatThousandsLocal(int64_t value) {
    return FormatThousands(value, QLocale::system().groupSeparator().toStdString());
}
