#include "net/password_scramble.h"

#include <array>

namespace qws {

namespace {

// Fixed tables of this build; a password stored by one build reads back only with the same ones.
constexpr std::array<uint8_t, 31> kKey31 = {0x96, 0xa0, 0xf4, 0xcd, 0x29, 0x0a, 0x6c, 0xbc, 0xc3, 0x6d, 0xe8, 0x30, 0x2d, 0xde, 0xd9, 0x59, 0x3f, 0x3a, 0x41, 0x4d, 0xf6, 0xd9, 0xb9, 0x2f, 0x13, 0x16, 0x0a, 0x07, 0x91, 0x2f, 0x51};
constexpr std::array<uint8_t, 29> kKey29 = {0xd1, 0x3b, 0x27, 0x5d, 0x85, 0xc7, 0xb1, 0x2d, 0x73, 0x81, 0x71, 0x60, 0xc3, 0xea, 0x27, 0x57, 0xda, 0x57, 0x44, 0x82, 0xd8, 0xda, 0xf4, 0x73, 0x78, 0x49, 0x17, 0x78, 0xe0};
constexpr std::array<uint8_t, 23> kKey23 = {0x0b, 0xf1, 0x95, 0x39, 0x2d, 0x8b, 0x1f, 0x5a, 0x54, 0x40, 0xf4, 0x2a, 0x59, 0x57, 0x0c, 0x9f, 0x99, 0xdf, 0x86, 0x25, 0x2e, 0x74, 0xb8};
constexpr std::array<uint8_t, 17> kKey17 = {0x30, 0x76, 0x11, 0x3f, 0x11, 0x42, 0xfa, 0x53, 0x3d, 0xa5, 0xad, 0xa9, 0xe2, 0xe0, 0x58, 0x47, 0x69};
constexpr std::array<uint8_t, 13> kKey13 = {0x0f, 0x07, 0x3d, 0x5e, 0x0d, 0x6c, 0x97, 0xb8, 0x52, 0xfc, 0x8a, 0x02, 0x4a};
constexpr std::array<uint8_t, 11> kKey11 = {0x30, 0xcf, 0x64, 0x58, 0xb2, 0xa4, 0x93, 0x15, 0x61, 0x6e, 0xd0};

constexpr size_t kMaxStoredChars = 512;
constexpr size_t kMaxLoadedChars = 255;

}  // namespace

void PasswordScramble(uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    data[i] ^= kKey31[i % 31] ^ kKey29[i % 29] ^ kKey23[i % 23] ^ kKey17[i % 17] ^
               kKey13[i % 13] ^ kKey11[i % 11];
  }
}

std::string EncodeStoredPassword(std::u16string_view password) {
  password = password.substr(0, kMaxStoredChars);
  std::string bytes;
  bytes.reserve(password.size() * 2);
  for (char16_t unit : password) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  PasswordScramble(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  return bytes;
}

std::u16string DecodeStoredPassword(std::string_view stored) {
  std::string bytes(stored);
  PasswordScramble(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size());
  std::u16string password;
  for (size_t i = 0; i + 1 < bytes.size() && password.size() < kMaxLoadedChars; i += 2) {
    const auto low = static_cast<uint8_t>(bytes[i]);
    const auto high = static_cast<uint8_t>(bytes[i + 1]);
    password.push_back(static_cast<char16_t>(low | (high << 8)));
  }
  // The stored form carries no terminator, but a stray one ends the text as it would in C.
  const size_t nul = password.find(u'\0');
  if (nul != std::u16string::npos) password.resize(nul);
  return password;
}

}  // namespace qws
