// The stored form of the proxy password: UTF-16LE bytes XORed with a key stream built from six
// fixed tables; the same operation scrambles and unscrambles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qws {

void PasswordScramble(uint8_t* data, size_t length);

// At most 512 characters are stored.
std::string EncodeStoredPassword(std::u16string_view password);
// An odd trailing byte is dropped and at most 255 characters are kept.
std::u16string DecodeStoredPassword(std::string_view stored);

}  // namespace qws
