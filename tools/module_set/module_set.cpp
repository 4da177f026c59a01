// Signed module sets for the update server.
//
//   module_set build --key <private key> --build <n> --out <folder> [--eicar] <signature files>...
//       copies the signature files (.hdb, .hsb, .ndb) into <folder> and writes the manifest
//       (build, names, sizes, SHA-256) and its detached signature; --eicar adds eicar.ndb with
//       the signature of the EICAR test file.
//   module_set pack --from <folder> --content <server content folder> [--as <name>]
//       puts a built set where qws-server serves it: <content>/download/engineqws3/ (or
//       <content>/download/<name>/).
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "base/crypto.h"
#include "scanlib/manifest.h"
#include "scanlib/signature_set.h"

namespace fs = std::filesystem;
using namespace qws;

namespace {

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

// Assembled from two halves so that no source file is the test file itself.
std::string EicarSignature() {
  const std::string head = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$";
  const std::string tail = std::string("EICAR-STANDARD-ANTIVIRUS-") + "TEST-FILE!";
  return "Eicar-Test-Signature:0:0:" + crypto::ToHex(head + tail) + "\n";
}

int Usage() {
  std::cerr << "usage: module_set build --key <private key> --build <n> --out <folder> [--eicar] <files>...\n"
               "       module_set pack --from <folder> --content <content folder> [--as <name>]\n";
  return 2;
}

int Build(int argc, char** argv) {
  fs::path key_file, out;
  uint32_t build = 0;
  bool eicar = false;
  std::vector<fs::path> files;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--key" && i + 1 < argc) key_file = argv[++i];
    else if (arg == "--build" && i + 1 < argc) build = static_cast<uint32_t>(std::stoul(argv[++i]));
    else if (arg == "--out" && i + 1 < argc) out = argv[++i];
    else if (arg == "--eicar") eicar = true;
    else if (arg.rfind("--", 0) == 0) return Usage();
    else files.push_back(arg);
  }
  if (key_file.empty() || out.empty() || build == 0) return Usage();
  auto key = crypto::ParsePrivateKey(ReadFile(key_file));
  if (!key) {
    std::cerr << "module_set: cannot read the private key " << key_file << "\n";
    return 1;
  }
  std::error_code error;
  fs::remove_all(out, error);
  fs::create_directories(out);
  scan::Manifest manifest;
  manifest.build = build;
  auto add = [&](const std::string& name, const std::string& bytes) {
    scan::SignatureSet check;
    scan::ParseModule(scan::FormatOfModuleName(name), bytes, check);
    if (check.rejected_lines) std::cerr << "module_set: " << name << ": " << check.rejected_lines << " lines not usable\n";
    manifest.modules.push_back({name, bytes.size(), crypto::Sha256(bytes)});
    return WriteFile(out / name, bytes);
  };
  if (eicar && !add("eicar.ndb", EicarSignature())) return 1;
  for (const fs::path& file : files) {
    if (scan::FormatOfModuleName(file.filename().string()) == scan::ModuleFormat::kUnknown) {
      std::cerr << "module_set: " << file << " is not a .hdb, .hsb or .ndb file\n";
      return 1;
    }
    if (!fs::exists(file) || !add(file.filename().string(), ReadFile(file))) {
      std::cerr << "module_set: cannot copy " << file << "\n";
      return 1;
    }
  }
  const std::string text = scan::FormatManifest(manifest);
  const std::string signature = scan::SignManifest(text, *key);
  if (signature.empty() || !WriteFile(out / std::string(scan::kManifestName), text) ||
      !WriteFile(out / std::string(scan::kManifestSignatureName), signature)) {
    std::cerr << "module_set: cannot sign or write the manifest\n";
    return 1;
  }
  return 0;
}

int Pack(int argc, char** argv) {
  fs::path from, content;
  std::string name = "engineqws3";
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--from") from = argv[i + 1];
    else if (arg == "--content") content = argv[i + 1];
    else if (arg == "--as") name = argv[i + 1];
    else return Usage();
  }
  if (from.empty() || content.empty() || !fs::exists(from / std::string(scan::kManifestName))) return Usage();
  const fs::path target = content / "download" / name;
  std::error_code error;
  fs::remove_all(target, error);
  fs::create_directories(target);
  fs::copy(from, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  if (error) {
    std::cerr << "module_set: cannot copy into " << target << ": " << error.message() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "build") return Build(argc, argv);
  if (command == "pack") return Pack(argc, argv);
  return Usage();
}
