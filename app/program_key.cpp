#include "app/program_key.h"

namespace qws {

RegKey OpenProgramKeyForReading() {
  RegKey key;
  (void)key.Open(HKEY_CURRENT_USER, kProgramKeyPath, KEY_READ);
  return key;
}

RegKey OpenExistingProgramKey() {
  RegKey key;
  (void)key.Open(HKEY_CURRENT_USER, kProgramKeyPath, KEY_ALL_ACCESS);
  return key;
}

RegKey OpenProgramKeyForWriting() {
  RegKey key;
  (void)key.OpenOrCreate(HKEY_CURRENT_USER, kProgramKeyPath, KEY_ALL_ACCESS);
  return key;
}

}  // namespace qws
