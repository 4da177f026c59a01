// Builds the detection database the program carries and the one the server offers.
//
//   pack_detection_database keygen <key file> <public key include>
//     Makes the development signing key once (kept when it exists) and writes its public half
//     as a C string literal for the program.
//   pack_detection_database pack <source folder> <chunk folder> <content folder> <key file>
//                                <download link> <revision>
//     Joins the vendor files of the source folder (in name order, comments dropped) into one
//     document, checks that it loads completely, and writes chunk_01.bin ... chunk_14.bin and
//     detection_database.xml into the chunk folder, and special/detectav/detectav.dat (signed)
//     with its index detectav.xml into the content folder.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/crypto.h"
#include "detect/database_carrier.h"
#include "detect/detection_database.h"
#include "detect/empty_detection_system.h"

namespace fs = std::filesystem;

namespace {

int Fail(const std::string& message) {
  std::cerr << "pack_detection_database: " << message << "\n";
  return 1;
}

bool ReadFile(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *bytes = content.str();
  return true;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string Base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    text += kAlphabet[group >> 18 & 63];
    text += kAlphabet[group >> 12 & 63];
    text += i + 1 < bytes.size() ? kAlphabet[group >> 6 & 63] : '=';
    text += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
  }
  return text;
}

// The reader accepts no comments; the sources are easier to read with them.
std::string WithoutComments(const std::string& text) {
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t open = text.find("<!--", pos);
    if (open == std::string::npos) return out + text.substr(pos);
    out += text.substr(pos, open - pos);
    const size_t close = text.find("-->", open);
    if (close == std::string::npos) return out;
    pos = close + 3;
  }
}

int KeyGen(const fs::path& keyFile, const fs::path& include) {
  std::string text;
  std::optional<qws::crypto::DsaPrivateKey> key;
  if (ReadFile(keyFile, &text)) key = qws::crypto::ParsePrivateKey(text);
  if (!key) {
    key = qws::crypto::GenerateDsaKey(1024, 160);
    if (!key || !WriteFile(keyFile, qws::crypto::SerializePrivateKey(*key))) {
      return Fail("cannot make the signing key " + keyFile.string());
    }
  }
  std::string literal;
  std::istringstream lines(qws::crypto::SerializePublicKey(key->publicKey));
  for (std::string line; std::getline(lines, line);) literal += "\"" + line + "\\n\"\n";
  return WriteFile(include, literal) ? 0 : Fail("cannot write " + include.string());
}

int Pack(const fs::path& source, const fs::path& chunkFolder, const fs::path& content,
         const fs::path& keyFile, const std::string& link, int revision) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(source)) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::string text = "\t\t<VENDORS>\r\n";
  for (const fs::path& file : files) {
    std::string part;
    if (!ReadFile(file, &part)) return Fail("cannot read " + file.string());
    text += WithoutComments(part);
  }
  text += "</VENDORS>\r\n";

  qws::EmptyDetectionSystem nothing;
  std::vector<qws::Vendor> vendors;
  if (qws::ParseDetectionText(text, nothing, vendors) != qws::DatabaseParse::Complete) {
    return Fail("the database does not load completely; it stops after " +
                std::to_string(vendors.size()) + " vendors");
  }

  const auto block = qws::DeflateBlock(text);
  std::string keyText;
  const auto key = ReadFile(keyFile, &keyText) ? qws::crypto::ParsePrivateKey(keyText) : std::nullopt;
  if (!block || !key) return Fail("cannot compress the database or read the key");
  const auto chunks = qws::SplitIntoChunks(*block);
  for (size_t i = 0; i < chunks.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "chunk_%02zu.bin", i + 1);
    if (!WriteFile(chunkFolder / name, chunks[i])) return Fail("cannot write the chunks");
  }
  const std::string file = qws::MakeDownloadedFile(*block, static_cast<uint16_t>(revision));
  const auto signature = qws::SignDatabase(file, *key);
  if (!signature) return Fail("cannot sign the database");
  std::ostringstream size;
  size << std::uppercase << std::hex << file.size();
  const std::string index =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DETECTAV>\r\n\t<DATABASE>\r\n"
      "\t\t<ITEM NAME=\"DwnlLink\" VALUE=\"" + link + "\"/>\r\n"
      "\t\t<ITEM NAME=\"Size\" VALUE=\"" + size.str() + "\"/>\r\n"
      "\t\t<ITEM NAME=\"Signature\" VALUE=\"" + Base64(*signature) + "\"/>\r\n"
      "\t</DATABASE>\r\n</DETECTAV>\r\n";
  const fs::path special = content / "special" / "detectav";
  if (!WriteFile(chunkFolder / "detection_database.xml", text) ||
      !WriteFile(special / "detectav.dat", file) || !WriteFile(special / "detectav.xml", index)) {
    return Fail("cannot write the database files");
  }
  std::cout << "detection database: " << vendors.size() << " vendors, " << text.size()
            << " bytes of XML, " << block->size() << " bytes packed\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "keygen") return KeyGen(args[1], args[2]);
  if (args.size() == 7 && args[0] == "pack") {
    return Pack(args[1], args[2], args[3], args[4], args[5], std::atoi(args[6].c_str()));
  }
  std::cerr << "usage: pack_detection_database keygen <key file> <public key include>\n"
               "       pack_detection_database pack <source> <chunks> <content> <key file> "
               "<link> <revision>\n";
  return 2;
}
