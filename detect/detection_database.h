// Loading the detection database: the downloaded copy when one was accepted, else the copy the
// program carries; then the XML schema into the vendor model.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/crypto.h"
#include "detect/database_carrier.h"
#include "detect/detection_model.h"
#include "detect/detection_system.h"

namespace qws {

enum class DatabaseParse { Complete, BadXml, StoppedEarly };

// Builds vendors from the database text, appending to `vendors`. A root child that is not a
// well-formed VENDOR, or a VENDOR child that is not a VERSION, stops the parse there; the
// vendors before it stay. "embedded" rules are read from the registry while parsing.
DatabaseParse ParseDetectionText(std::string_view text, DetectionSystem& system,
                                 std::vector<Vendor>& vendors);

class DetectionDatabase {
 public:
  explicit DetectionDatabase(crypto::DsaPublicKey key) : key_(std::move(key)) {}

  // Takes a downloaded file and its signature when the signature verifies and the header
  // passes its checks; the data is copied. False (and nothing kept) otherwise.
  bool AcceptDownloaded(std::string_view file, std::string_view signature);
  bool HasDownloaded() const { return downloaded_.has_value(); }

  // 0 when vendors were loaded. An accepted download that inflates and parses is used even
  // when its vendor list stops early; otherwise the carried chunks are loaded, and their
  // failure fails the load.
  int Load(const BuiltInChunks& chunks, DetectionSystem& system);
  bool LoadedDownloaded() const { return loadedDownloaded_; }

  std::vector<Vendor>& vendors() { return vendors_; }
  void Release() { vendors_.clear(); }

 private:
  crypto::DsaPublicKey key_;
  std::optional<std::string> downloaded_;
  bool loadedDownloaded_ = false;
  std::vector<Vendor> vendors_;
};

}  // namespace qws
