// The signature engine on its own, in process: throughput (MB/s, files/s) with the loading of
// the signatures included, peak memory, and whether it found exactly the planted threats. The
// corpus and the signatures stay in the work folder, so that scripts/bench.sh can run qwscan.exe
// over the same files.
//
//   scan_bench [work folder] [megabytes]    (default /tmp/qws-scan-bench, 128)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <sstream>

#include "base/crypto.h"
#include "scanlib/engine.h"
#include "scanlib/zip_reader.h"

namespace fs = std::filesystem;
using namespace qws;
using namespace qws::scan;

namespace {

class StdFileSource final : public ByteSource {
 public:
  explicit StdFileSource(const fs::path& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_) size_ = fs::file_size(path);
  }
  ~StdFileSource() override {
    if (file_) std::fclose(file_);
  }
  uint64_t size() const override { return size_; }
  size_t Read(uint64_t offset, char* buffer, size_t length) override {
    if (!file_ || fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, length, file_);
  }

 private:
  std::FILE* file_;
  uint64_t size_ = 0;
};

std::string Hex(const std::string& bytes) { return crypto::ToHex(bytes); }

void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Eicar() { return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*"; }

// A minimal stored ZIP of one member (the bench's archive sample).
std::string StoredZip(const std::string& name, const std::string& content) {
  std::string out;
  auto u16 = [&](std::string& s, uint32_t v) { s.push_back(char(v)); s.push_back(char(v >> 8)); };
  auto u32 = [&](std::string& s, uint32_t v) { u16(s, v & 0xFFFF); u16(s, v >> 16); };
  const uint32_t crc = 0;
  std::string local, central;
  u32(local, 0x04034b50); u16(local, 20); u16(local, 0); u16(local, 0); u16(local, 0); u16(local, 0);
  u32(local, crc); u32(local, content.size()); u32(local, content.size()); u16(local, name.size()); u16(local, 0);
  local += name + content;
  u32(central, 0x02014b50); u16(central, 20); u16(central, 20); u16(central, 0); u16(central, 0); u16(central, 0);
  u16(central, 0); u32(central, crc); u32(central, content.size()); u32(central, content.size());
  u16(central, name.size()); u16(central, 0); u16(central, 0); u16(central, 0); u16(central, 0); u32(central, 0);
  u32(central, 0);
  central += name;
  out = local + central;
  u32(out, 0x06054b50); u16(out, 0); u16(out, 0); u16(out, 1); u16(out, 1); u32(out, central.size());
  u32(out, local.size()); u16(out, 0);
  return out;
}

struct Corpus {
  std::set<std::string> infected;  // expected
  uint64_t bytes = 0;
  size_t files = 0;
};

Corpus MakeCorpus(const fs::path& folder, uint64_t megabytes, std::mt19937_64& random) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  Corpus corpus;
  const std::string words[] = {"the ", "scan ", "data ", "file ", "window ", "return ", "int ", "{\n", "}\n", "MZ"};
  size_t index = 0;
  while (corpus.bytes < megabytes << 20) {
    std::string content;
    const size_t size = 4096 + random() % (1 << 20);
    content.reserve(size);
    const bool text = index % 2 == 0;
    while (content.size() < size) {
      if (text) content += words[random() % 10];
      else for (int i = 0; i < 8; ++i) content.push_back(static_cast<char>(random()));
    }
    std::string name = "file" + std::to_string(index) + (text ? ".txt" : ".bin");
    if (index % 25 == 7) {
      content.replace(content.size() / 2, 0, "QWS-TEST-SAMPLE-bench-MALWARE-PAYLOAD");
      corpus.infected.insert(name);
    }
    Write(folder / name, content);
    corpus.bytes += content.size();
    ++corpus.files;
    ++index;
  }
  Write(folder / "eicar.com", Eicar());
  Write(folder / "eicar.zip", StoredZip("eicar.com", Eicar()));
  Write(folder / "unwanted.exe", "MZ padding QWS-TEST-SAMPLE-UNWANTED-APPLICATION");
  for (const char* name : {"eicar.com", "eicar.zip", "unwanted.exe"}) corpus.infected.insert(name);
  corpus.files += 3;
  return corpus;
}

// The project's test signatures plus many random ones, in the public text formats.
void MakeSignatures(const fs::path& folder, size_t count, std::mt19937_64& random) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path source = QWS_SOURCE_DIR "/scanlib/signatures";
  for (const char* name : {"qws_test.ndb", "qws_test.hdb", "qws_test.hsb"}) fs::copy_file(source / name, folder / name);
  std::string ndb = "Eicar-Test-Signature:0:0:" + Hex(Eicar()) + "\n", hdb;
  auto bytes = [&](size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out.push_back(static_cast<char>(random()));
    return out;
  };
  for (size_t i = 0; i < count; ++i) {
    ndb += "Bench.Body." + std::to_string(i) + ":0:*:" + Hex(bytes(8)) + (i % 3 ? "{0-16}" : "??") + Hex(bytes(6)) + "\n";
    hdb += Hex(bytes(16)) + ":" + std::to_string(4096 + random() % (1 << 20)) + ":Bench.Hash." + std::to_string(i) + "\n";
  }
  Write(folder / "bench.ndb", ndb);
  Write(folder / "bench.hdb", hdb);
}

long PeakKilobytes(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path work = argc > 1 ? argv[1] : "/tmp/qws-scan-bench";
  const uint64_t megabytes = argc > 2 ? std::stoull(argv[2]) : 128;
  std::mt19937_64 random(20261210);
  const fs::path corpus_folder = work / "corpus", db = work / "db";
  const Corpus corpus = MakeCorpus(corpus_folder, megabytes, random);
  MakeSignatures(db, 20000, random);
  const double mb = static_cast<double>(corpus.bytes) / (1 << 20);
  std::cout << "corpus: " << corpus.files << " files, " << static_cast<int>(mb) << " MB (" << corpus.bytes
            << " bytes); signatures: 20000 body, 20000 hash, plus the test set\n";

  std::set<std::string> ours_found;
  const auto load_start = std::chrono::steady_clock::now();
  SignatureSet set;
  for (const auto& entry : fs::directory_iterator(db)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    ParseModule(FormatOfModuleName(entry.path().filename().string()), text.str(), set);
  }
  Engine engine(std::move(set));
  const auto start = std::chrono::steady_clock::now();
  ScanSwitches all{true, true, true, true};
  for (const auto& entry : fs::directory_iterator(corpus_folder)) {
    StdFileSource source(entry.path());
    if (engine.Scan(source, all).infected) ours_found.insert(entry.path().filename().string());
  }
  const auto end = std::chrono::steady_clock::now();
  const double our_seconds = std::chrono::duration<double>(end - start).count();
  const double our_total = std::chrono::duration<double>(end - load_start).count();
  const long our_peak = PeakKilobytes(RUSAGE_SELF);

  std::printf("%-9s %8.1f MB/s %9.1f files/s %8.1f MB peak  %zu found  (%.2f s)\n", "engine", mb / our_total,
              corpus.files / our_total, our_peak / 1024.0, ours_found.size(), our_total);
  std::printf("engine scan alone (signatures loaded): %.1f MB/s, %.1f files/s (%.2f s)\n", mb / our_seconds,
              corpus.files / our_seconds, our_seconds);
  const bool expected = ours_found == corpus.infected;
  std::printf("expected detections found: %s\n", expected ? "yes" : "NO");
  for (const auto& name : corpus.infected) if (!ours_found.count(name)) std::printf("  missed: %s\n", name.c_str());
  for (const auto& name : ours_found) if (!corpus.infected.count(name)) std::printf("  unexpected: %s\n", name.c_str());
  return expected ? 0 : 1;
}
