// Inflating, parsing and evaluating the shipped detection database and one of the real one's
// size (made by make_large_detection_database), and the allocations of a parse.
// On the host the evaluation runs against a computer with nothing on it; the Windows build
// (detection_bench_win.exe, run under Wine) evaluates against the real registry and files.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "detect/database_carrier.h"
#include "detect/detection_database.h"
#include "detect/rule_evaluation.h"
#include "detect/xml_document.h"
#ifdef _WIN32
#include "detect/win_detection_system.h"
using BenchSystem = qws::WinDetectionSystem;
constexpr char kPrefix[] = "Z:";
#else
#include "detect/empty_detection_system.h"
using BenchSystem = qws::EmptyDetectionSystem;
constexpr char kPrefix[] = "";
#endif

namespace {
std::atomic<size_t> allocations{0};
}  // namespace

void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  ++allocations;
  return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

std::string ReadFile(const std::string& name) {
  std::ifstream in(std::string(kPrefix) + QWS_DETECTION_DIR + "/" + name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The best of a few runs, in milliseconds.
template <class Work>
double BestMs(Work work, int runs = 5) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void Measure(const char* name, const std::string& block) {
  std::string text;
  const double inflate = BestMs([&] { text = qws::InflateBlock(block).value_or(""); });
  size_t before = allocations;
  {
    qws::XmlDocumentPtr document(qws::CreateXml());
    qws::ParseXml(document.get(), text.data(), static_cast<ptrdiff_t>(text.size()));
  }
  const size_t parseAllocations = allocations - before;
  const double parse = BestMs([&] {
    qws::XmlDocumentPtr document(qws::CreateXml());
    qws::ParseXml(document.get(), text.data(), static_cast<ptrdiff_t>(text.size()));
  });
  BenchSystem system;
  std::vector<qws::Vendor> vendors;
  const double load = BestMs([&] {
    vendors.clear();
    qws::ParseDetectionText(text, system, vendors);
  }, 3);
  size_t versions = 0, rules = 0, found = 0;
  for (const auto& vendor : vendors) {
    for (const auto& product : vendor.products) {
      ++versions;
      rules += product.RuleCount();
    }
  }
  // A fresh computer view each run: nothing it has learnt carries over.
  const double evaluate = BestMs([&] {
    BenchSystem fresh;
    qws::RuleEvaluator evaluator(fresh);
    found = 0;
    for (const auto& vendor : vendors) {
      for (const auto& product : vendor.products) {
        bool hit = false;
        evaluator.EvaluateVersion(product, vendor.id, &hit);
        found += hit;
      }
    }
  }, 3);
  std::printf("%-8s %9zu bytes XML %8zu packed  %4zu vendors %5zu versions %6zu rules (%zu found)\n",
              name, text.size(), block.size(), vendors.size(), versions, rules, found);
  std::printf("         inflate %7.2f ms  XML parse %7.2f ms (%zu allocations)  model %7.2f ms  "
              "evaluate %8.2f ms\n",
              inflate, parse, parseAllocations, load, evaluate);
}

}  // namespace

int main() {
  qws::BuiltInChunks chunks;
  std::array<std::string, qws::kBuiltInChunkCount> parts;
  for (size_t i = 0; i < parts.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "chunk_%02zu.bin", i + 1);
    parts[i] = ReadFile(name);
    chunks[i] = parts[i];
  }
  const auto shipped = qws::JoinChunks(chunks);
  const auto large = qws::DeflateBlock(ReadFile("large_detection_database.xml"));
  if (!shipped || !large) {
    std::fprintf(stderr, "detection_bench: build the host target first (chunks, large database)\n");
    return 1;
  }
  Measure("shipped", *shipped);
  Measure("large", *large);
  return 0;
}
