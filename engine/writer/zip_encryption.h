#pragma once
// How the writer encrypts the files it zips when a password is set.

namespace mobrel {

enum class TZipEncryption {
    Traditional,  // the original zip cipher: every reader knows it, but it is weak
    Aes128,       // WinZip AES with a 128-, 192- or 256-bit key
    Aes192,
    Aes256,
};

}  // namespace mobrel
