#include "scanlib/engine.h"

#include <algorithm>

#include "base/crypto.h"
#include "scanlib/zip_reader.h"

namespace qws::scan {
namespace {

crypto::DigestAlgorithm AlgorithmOf(DigestKind kind) {
  switch (kind) {
    case DigestKind::kMd5: return crypto::DigestAlgorithm::Md5;
    case DigestKind::kSha1: return crypto::DigestAlgorithm::Sha1;
    case DigestKind::kSha256: return crypto::DigestAlgorithm::Sha256;
  }
  return crypto::DigestAlgorithm::Sha256;
}

std::string Megabytes(uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

}  // namespace

std::u16string MemberName(const std::u16string& archive, const std::u16string& member) {
  return archive.empty() ? member : archive + u" \u00BB " + member;
}

struct Engine::Job {
  const ScanSwitches& switches;
  const ArchiveLimits& limits;
  InflateBudget budget;
  ScanReport report;
};

// One pass over one stream: body signatures, and the digests that a hash signature of this
// size needs.
class Engine::Stream {
 public:
  Stream(const Engine& engine, uint64_t size, const ScanSwitches& switches)
      : engine_(engine),
        body_(engine.matcher_, size,
              [&engine, &switches](const BodySignature& s) { return engine.Accepts(s.name, switches); }) {
    auto add = [&](uint32_t index) {
      const HashSignature& signature = engine.signatures_.hashes[index];
      if (!engine.Accepts(signature.name, switches)) return;
      candidates_.push_back(index);
      if (std::none_of(hashers_.begin(), hashers_.end(), [&](const auto& h) { return h.first == signature.kind; }))
        hashers_.emplace_back(signature.kind, crypto::Hasher(AlgorithmOf(signature.kind)));
    };
    if (auto it = engine.hashes_by_size_.find(size); it != engine.hashes_by_size_.end())
      for (uint32_t index : it->second) add(index);
    for (uint32_t index : engine.hashes_any_size_) add(index);
  }

  // True once the body signatures have decided.
  bool Feed(const char* data, size_t length) {
    for (auto& [kind, hasher] : hashers_) hasher.Update(data, length);
    return body_.Feed(data, length);
  }

  // The threat found, or empty.
  std::string Finish() {
    if (body_.Finish()) return engine_.signatures_.bodies[*body_.found()].name;
    for (auto& [kind, hasher] : hashers_) {
      const std::string digest = hasher.Finish();
      for (uint32_t index : candidates_) {
        const HashSignature& signature = engine_.signatures_.hashes[index];
        if (signature.kind == kind && signature.digest == digest) return signature.name;
      }
    }
    return {};
  }

 private:
  const Engine& engine_;
  BodyScan body_;
  std::vector<uint32_t> candidates_;
  std::vector<std::pair<DigestKind, crypto::Hasher>> hashers_;
};

Engine::Engine(SignatureSet signatures)
    : signatures_(std::move(signatures)), matcher_(signatures_.bodies) {
  for (uint32_t i = 0; i < signatures_.hashes.size(); ++i) {
    const HashSignature& signature = signatures_.hashes[i];
    if (signature.any_size) hashes_any_size_.push_back(i);
    else hashes_by_size_[signature.size].push_back(i);
  }
}

bool Engine::Accepts(const std::string& name, const ScanSwitches& switches) const {
  switch (CategoryOf(name)) {
    case Category::kMalware: return true;
    case Category::kUnwanted: return switches.unwanted;
    case Category::kUnsafe: return switches.unsafe;
    case Category::kSuspicious: return switches.suspicious;
  }
  return false;
}

void Engine::ScanArchive(ByteSource& source, uint32_t depth, const std::u16string& prefix, Job& job) const {
  if (depth >= job.limits.max_depth) {
    job.report.stopped.emplace_back(prefix, "the nesting depth limit (" + std::to_string(job.limits.max_depth) + ")");
    return;
  }
  std::vector<ZipEntry> entries;
  const ZipDirectoryStatus directory = ReadZipDirectory(source, job.limits.max_entries, entries);
  if (directory == ZipDirectoryStatus::kNotZip || directory == ZipDirectoryStatus::kDamaged) return;

  for (const ZipEntry& entry : entries) {
    if (entry.is_folder()) continue;
    const std::u16string name = MemberName(prefix, entry.name);
    Stream stream(*this, entry.size, job.switches);
    std::string nested;
    bool collect = true, decided = false;
    uint64_t seen = 0;
    const ZipMemberStatus status = ReadZipMember(source, entry, job.budget, [&](const char* data, size_t length) {
      // Members that begin like an archive are kept for their own scan, within a bound.
      if (collect && seen < 4) {
        const std::string magic("PK\x03\x04", 4);
        for (size_t i = 0; i < length && seen + i < 4; ++i)
          if (data[i] != magic[seen + i]) collect = false;
      }
      seen += length;
      if (collect) {
        if (nested.size() + length > job.limits.max_nested_archive) {
          collect = false;
          nested.clear();
          nested.shrink_to_fit();
          job.report.stopped.emplace_back(name, "the nested archive size limit (" +
                                                    Megabytes(job.limits.max_nested_archive) + ")");
        } else {
          nested.append(data, length);
        }
      }
      decided = stream.Feed(data, length);
      return !decided;
    });
    ++job.report.members_scanned;
    if (status == ZipMemberStatus::kTotalLimit || status == ZipMemberStatus::kRatioLimit) {
      job.report.stopped.emplace_back(prefix, status == ZipMemberStatus::kTotalLimit
          ? "the inflated size limit (" + Megabytes(job.limits.max_inflated) + ")"
          : "the compression ratio limit (" + std::to_string(job.limits.max_ratio) + ":1)");
      return;
    }
    if (status != ZipMemberStatus::kOk && status != ZipMemberStatus::kStopped) continue;
    if (std::string threat = stream.Finish(); !threat.empty()) {
      job.report.infected = true;
      job.report.threat = std::move(threat);
      job.report.member = name;
      return;
    }
    if (collect && seen >= 4) {
      MemorySource inner(std::move(nested));
      ScanArchive(inner, depth + 1, name, job);
      if (job.report.infected) return;
    }
  }
  if (directory == ZipDirectoryStatus::kTooManyEntries)
    job.report.stopped.emplace_back(prefix, "the entry count limit (" + std::to_string(job.limits.max_entries) + ")");
}

ScanReport Engine::Scan(ByteSource& source, const ScanSwitches& switches, const ArchiveLimits& limits) const {
  Job job{switches, limits, InflateBudget{limits.max_inflated, limits.max_ratio, limits.ratio_floor}, {}};
  // Members first, so that a threat inside an archive is named by its member.
  if (switches.archives && LooksLikeZip(source)) {
    ScanArchive(source, 0, u"", job);
    if (job.report.infected) return std::move(job.report);
  }
  Stream stream(*this, source.size(), switches);
  std::string buffer(kReadBlock, '\0');
  uint64_t offset = 0;
  while (offset < source.size()) {
    const size_t got = source.Read(offset, buffer.data(), buffer.size());
    if (got == 0) break;
    offset += got;
    if (stream.Feed(buffer.data(), got)) break;
  }
  if (std::string threat = stream.Finish(); !threat.empty()) {
    job.report.infected = true;
    job.report.threat = std::move(threat);
    job.report.member.clear();
  } else if (offset < source.size() || source.failed()) {
    job.report.unreadable = true;
  }
  return std::move(job.report);
}

}  // namespace qws::scan
