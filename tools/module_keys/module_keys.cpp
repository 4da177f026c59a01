// module_keys <private key file> <public key file>: a fresh DSA key pair for signing module
// sets. The private key stays with whoever publishes modules; the library is built with the
// public one.
#include <fstream>
#include <iostream>

#include "base/crypto.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: module_keys <private key file> <public key file>\n";
    return 2;
  }
  auto key = qws::crypto::GenerateDsaKey(2048, 256);
  if (!key) {
    std::cerr << "module_keys: key generation failed\n";
    return 1;
  }
  std::ofstream(argv[1], std::ios::binary) << qws::crypto::SerializePrivateKey(*key);
  std::ofstream(argv[2], std::ios::binary) << qws::crypto::SerializePublicKey(key->publicKey);
  if (!std::ifstream(argv[1]) || !std::ifstream(argv[2])) {
    std::cerr << "module_keys: cannot write the key files\n";
    return 1;
  }
  return 0;
}
