// The engine against clamscan on the same corpus and the same signatures: throughput (MB/s,
// files/s), peak memory, and whether both found exactly the same files.
//
//   scan_bench [work folder] [megabytes]    (default /tmp/qws-scan-bench, 128)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// The project's test signatures plus many random ones, as clamscan reads them too.
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
  std::cout << "corpus: " << corpus.files << " files, " << static_cast<int>(mb) << " MB; signatures: 20000 body, 20000 hash, plus the test set\n";

  // clamscan first, in a child process of its own, so that its memory is measured apart.
  std::set<std::string> clam_found;
  double clam_seconds = 0;
  long clam_peak = 0;
  {
    const fs::path out = work / "clamscan.txt";
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      std::freopen(out.c_str(), "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      execlp("clamscan", "clamscan", "--no-summary", "--infected", "--detect-pua=yes", "-d", db.c_str(), "-r",
             corpus_folder.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    clam_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    clam_peak = usage.ru_maxrss;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
      std::cerr << "scan_bench: clamscan is not installed (Debian package clamav)\n";
      return 1;
    }
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);) {
      if (line.size() < 6 || line.compare(line.size() - 6, 6, " FOUND") != 0) continue;
      const std::string path = line.substr(0, line.find(": "));
      clam_found.insert(fs::path(path).filename().string());
    }
  }

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

  auto line = [&](const char* who, double seconds, long peak_kb, size_t found) {
    std::printf("%-9s %8.1f MB/s %9.1f files/s %8.1f MB peak  %zu found  (%.2f s)\n", who, mb / seconds,
                corpus.files / seconds, peak_kb / 1024.0, found, seconds);
  };
  line("engine", our_total, our_peak, ours_found.size());
  line("clamscan", clam_seconds, clam_peak, clam_found.size());
  std::printf("engine scan alone (signatures loaded): %.1f MB/s\n", mb / our_seconds);
  std::printf("speed-up (loading included): %.2fx\n", clam_seconds / our_total);
  std::printf("same detections: %s; expected ones found by the engine: %s\n", ours_found == clam_found ? "yes" : "NO",
              ours_found == corpus.infected ? "yes" : "NO");
  for (const auto& name : ours_found) if (!clam_found.count(name)) std::printf("  only the engine: %s\n", name.c_str());
  for (const auto& name : clam_found) if (!ours_found.count(name)) std::printf("  only clamscan: %s\n", name.c_str());
  return ours_found == clam_found ? 0 : 1;
}
