#include "report/file_fingerprint_win.h"

#include "base/u16.h"
#include "report/file_fingerprint.h"

namespace qws {

std::optional<uint64_t> PlainFileByteSource::Size() {
  const int64_t size = file_.Size();
  if (size < 0) return std::nullopt;
  return static_cast<uint64_t>(size);
}

bool PlainFileByteSource::SeekTo(uint64_t offset) {
  return file_.Seek(static_cast<int64_t>(offset), PlainFile::Origin::Begin) >= 0;
}

int64_t PlainFileByteSource::Read(void* buffer, uint32_t bytes) { return file_.Read(buffer, bytes); }

namespace {

template <class Compute>
FileFingerprints OfFile(std::u16string_view path, Compute compute) {
  PlainFile file;
  if (file.OpenForReading(ToWide(path)) != 0) return compute(nullptr);
  PlainFileByteSource source(file);
  return compute(&source);
}

}  // namespace

FileFingerprints WindowsFileFingerprinter::SingleObject(std::u16string_view path) {
  return OfFile(path, SingleObjectFingerprints);
}

FileFingerprints WindowsFileFingerprinter::DirectoryScan(std::u16string_view path) {
  return OfFile(path, DirectoryScanFingerprints);
}

}  // namespace qws
