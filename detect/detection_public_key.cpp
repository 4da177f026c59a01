#include "detect/detection_public_key.h"

namespace qws {

namespace {
// "p=<hex>\nq=<hex>\ng=<hex>\ny=<hex>\n", written by the build.
constexpr char kPublicKeyText[] =
#include "detection_public_key.inc"
    ;
}  // namespace

std::optional<crypto::DsaPublicKey> DetectionPublicKey() {
  return crypto::ParsePublicKey(kPublicKeyText);
}

}  // namespace qws
