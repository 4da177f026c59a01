// The public half of the key that signs downloaded detection databases. The build generates a
// development key pair in the host build folder and compiles the public half in here.
#pragma once

#include <optional>

#include "base/crypto.h"

namespace qws {

std::optional<crypto::DsaPublicKey> DetectionPublicKey();

}  // namespace qws
