// Fingerprints of real files, read in blocks through PlainFile.
#pragma once

#include "app/plain_file.h"
#include "report/byte_source.h"
#include "report/threat_recorder.h"

namespace qws {

class PlainFileByteSource : public ByteSource {
 public:
  explicit PlainFileByteSource(PlainFile& file) : file_(file) {}
  std::optional<uint64_t> Size() override;
  bool SeekTo(uint64_t offset) override;
  int64_t Read(void* buffer, uint32_t bytes) override;

 private:
  PlainFile& file_;
};

class WindowsFileFingerprinter : public FileFingerprinter {
 public:
  FileFingerprints SingleObject(std::u16string_view path) override;
  FileFingerprints DirectoryScan(std::u16string_view path) override;
};

}  // namespace qws
