#include "platform/file_mode_text.h"

#include <sys/stat.h>

namespace mobrel {

namespace {

char TypeLetter(uint32_t mode) {
    switch (mode & S_IFMT) {
        case S_IFREG:
            return '-';
        case S_IFDIR:
            return 'd';
        case S_IFLNK:
            return 'l';
        case S_IFIFO:
            return 'p';
        case S_IFCHR:
            return 'c';
        case S_IFBLK:
            return 'b';
        case S_IFSOCK:
            return 's';
        default:
            return '?';
    }
}

// The execute place shows the special bit too: lower case when execute is also set.
char ExecuteLetter(bool execute, bool special, char specialLetter) {
    if (!special) {
        return execute ? 'x' : '-';
    }
    return execute ? specialLetter : static_cast<char>(specialLetter - ('a' - 'A'));
}

}  // namespace

std::string FileModeText(uint32_t mode) {
    std::string text(10, '-');
    text[0] = TypeLetter(mode);
    const char specialLetters[3] = {'s', 's', 't'};
    const uint32_t specialBits[3] = {S_ISUID, S_ISGID, S_ISVTX};
    for (int who = 0; who < 3; ++who) {
        const uint32_t bits = mode >> (6 - 3 * who);
        text[1 + 3 * who] = (bits & 4) != 0 ? 'r' : '-';
        text[2 + 3 * who] = (bits & 2) != 0 ? 'w' : '-';
        text[3 + 3 * who] =
            ExecuteLetter((bits & 1) != 0, (mode & specialBits[who]) != 0, specialLetters[who]);
    }
    return text;
}

}  // namespace mobrel
