// Fingerprints that let the maker recognise a file without receiving it.
#pragma once

#include "report/byte_source.h"
#include "report/threat_record.h"

namespace qws {

// Files are read in blocks of this size through one buffer.
inline constexpr uint32_t kFingerprintBlockBytes = 4096;

// For objects scanned one by one: hash, type and the file size as the fingerprint. `file` is
// null when the file could not be opened (all placeholders).
FileFingerprints SingleObjectFingerprints(ByteSource* file);

// For objects the library's folder scan reports: hash, type and, for executables, the CRC-32
// of the head (with the size's low 32 bits) and of the tail as the fingerprint.
FileFingerprints DirectoryScanFingerprints(ByteSource* file);

}  // namespace qws
