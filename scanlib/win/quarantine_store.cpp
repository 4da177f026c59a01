// The quarantine folder: one item file per quarantined file ("<id>.qit"), the list rebuilt from
// the files, restore through a temporary file beside the former path.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "base/crypto.h"
#include "base/u16.h"
#include "scanlib/quarantine_item.h"
#include "scanlib/win/file_source.h"
#include "scanlib/win/library_state.h"

namespace qws::scan {
namespace {

constexpr size_t kBlock = 1 << 20;
constexpr size_t kMaxHeaderBytes = 160 * 1024;

std::wstring ItemPath(const qlxs_scanner& scanner, uint64_t id) {
  wchar_t name[32];
  swprintf(name, 32, L"%016llx.qit", static_cast<unsigned long long>(id));
  return scanner.quarantine_folder + name;
}

void CreateFolderPath(const std::wstring& folder) {
  for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
    CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(folder.c_str(), nullptr);
}

bool WriteAll(HANDLE file, const char* data, size_t length) {
  DWORD written = 0;
  return WriteFile(file, data, static_cast<DWORD>(length), &written, nullptr) && written == length;
}

// The SHA-256 of a whole file; nothing when it cannot be read.
std::optional<std::string> FileDigest(const std::wstring& path, uint64_t* size = nullptr) {
  FileSource file(path);
  if (!file.is_open()) return std::nullopt;
  crypto::Hasher hasher(crypto::DigestAlgorithm::Sha256);
  std::string buffer(kBlock, '\0');
  uint64_t offset = 0;
  while (offset < file.size()) {
    const size_t got = file.Read(offset, buffer.data(), buffer.size());
    if (got == 0) return std::nullopt;
    hasher.Update(buffer.data(), got);
    offset += got;
  }
  if (size) *size = offset;
  return hasher.Finish();
}

std::optional<QuarantineHeader> ReadHeader(const std::wstring& item, size_t& header_length) {
  FileSource file(item);
  if (!file.is_open()) return std::nullopt;
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(file.size(), kMaxHeaderBytes)), '\0');
  if (!ReadExact(file, 0, bytes.data(), bytes.size())) return std::nullopt;
  auto header = DecodeQuarantineHeader(bytes, header_length);
  if (header && file.size() - header_length != header->size) return std::nullopt;  // cut short
  return header;
}

uint64_t NowFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

}  // namespace

bool QuarantineFile(qlxs_scanner& scanner, const std::wstring& path, const std::wstring& threat) {
  QuarantineHeader header;
  uint64_t size = 0;
  auto digest = FileDigest(path, &size);
  if (!digest) return false;
  CreateFolderPath(scanner.quarantine_folder.substr(0, scanner.quarantine_folder.size() - 1));
  header.former_path = ToU16(path);
  header.threat_name = ToU16(threat);
  header.time = NowFileTime();
  header.size = size;
  header.sha256 = *digest;
  header.attributes = GetFileAttributesW(path.c_str());
  header.id = header.time;
  while (GetFileAttributesW(ItemPath(scanner, header.id).c_str()) != INVALID_FILE_ATTRIBUTES) ++header.id;

  const std::wstring item = ItemPath(scanner, header.id);
  const std::wstring partial = item + L".part";
  bool ok = false;
  {
    ScopedHandle out(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileSource in(path);
    if (out.is_valid() && in.is_open() && in.size() == size) {
      const std::string head = EncodeQuarantineHeader(header);
      ok = WriteAll(out.get(), head.data(), head.size());
      std::string buffer(kBlock, '\0');
      crypto::Hasher check(crypto::DigestAlgorithm::Sha256);
      uint64_t offset = 0;
      while (ok && offset < size) {
        const size_t got = in.Read(offset, buffer.data(), buffer.size());
        if (got == 0) ok = false;
        check.Update(buffer.data(), got);
        MaskContent(header.id, offset, buffer.data(), got);
        ok = ok && WriteAll(out.get(), buffer.data(), got);
        offset += got;
      }
      // The copy must be the content that was judged, not a later change.
      ok = ok && check.Finish() == header.sha256 && FlushFileBuffers(out.get());
    }
  }
  if (ok) ok = MoveFileExW(partial.c_str(), item.c_str(), 0);
  if (!ok) DeleteFileW(partial.c_str());
  return ok;
}

bool ListQuarantine(qlxs_scanner& scanner, qlxs_quarantine_log_list& list) {
  WIN32_FIND_DATAW found;
  ScopedFindHandle find(FindFirstFileW((scanner.quarantine_folder + L"*.qit").c_str(), &found));
  if (find.is_valid()) {
    struct Listed {
      uint64_t id;
      QuarantineHeader header;
      std::wstring file;
    };
    std::vector<Listed> listed;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const std::wstring file = scanner.quarantine_folder + found.cFileName;
      size_t length = 0;
      auto header = ReadHeader(file, length);
      if (!header || ItemPath(scanner, header->id) != file) continue;  // damaged or renamed: skipped
      listed.push_back({header->id, std::move(*header), file});
    } while (FindNextFileW(find.get(), &found));
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) { return a.id < b.id; });
    for (Listed& entry : listed) {
      list.entries.push_back({ToWide(entry.header.former_path), entry.file, ToWide(entry.header.threat_name)});
    }
    list.items.resize(list.entries.size());
    for (size_t i = 0; i < listed.size(); ++i) {
      qlxs_quarantine_item& item = list.items[i];
      const auto& header = listed[i].header;
      item = {};
      item.id_low = static_cast<uint32_t>(header.id);
      item.id_high = static_cast<uint32_t>(header.id >> 32);
      item.former_path = list.entries[i].former_path.c_str();
      item.item_file = list.entries[i].item_file.c_str();
      item.size_low = static_cast<uint32_t>(header.size);
      item.size_high = static_cast<uint32_t>(header.size >> 32);
      item.time_low = static_cast<uint32_t>(header.time);
      item.time_high = static_cast<uint32_t>(header.time >> 32);
      item.attributes = header.attributes;
      item.threat_name = list.entries[i].threat_name.c_str();
    }
  }
  return true;
}

uint32_t RestoreQuarantined(qlxs_scanner& scanner, uint64_t id, const std::wstring& former_path) {
  const std::wstring item = ItemPath(scanner, id);
  size_t header_length = 0;
  auto header = ReadHeader(item, header_length);
  if (!header || header->id != id) return QLXS_E_QUARANTINE_NOT_FOUND;
  const std::wstring target = former_path.empty() ? ToWide(header->former_path) : former_path;

  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // The same content standing there already counts as restored; anything else is kept.
    auto there = FileDigest(target);
    return there && *there == header->sha256 ? 0 : QLXS_E_QUARANTINE_OCCUPIED;
  }
  const size_t slash = target.find_last_of(L'\\');
  if (slash != std::wstring::npos && slash > 2) CreateFolderPath(target.substr(0, slash));
  wchar_t suffix[40];
  swprintf(suffix, 40, L".%016llx.restore", static_cast<unsigned long long>(id));
  const std::wstring temporary = target + suffix;
  bool ok = false;
  {
    ScopedHandle out(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileSource in(item);
    if (!out.is_valid()) return QLXS_E_QUARANTINE_WRITE;
    crypto::Hasher hasher(crypto::DigestAlgorithm::Sha256);
    std::string buffer(kBlock, '\0');
    uint64_t offset = 0;
    ok = in.is_open();
    while (ok && offset < header->size) {
      const size_t got = in.Read(header_length + offset, buffer.data(),
                                 static_cast<size_t>(std::min<uint64_t>(buffer.size(), header->size - offset)));
      if (got == 0) ok = false;
      MaskContent(id, offset, buffer.data(), got);
      hasher.Update(buffer.data(), got);
      ok = ok && WriteAll(out.get(), buffer.data(), got);
      offset += got;
    }
    ok = ok && hasher.Finish() == header->sha256 && FlushFileBuffers(out.get());
    if (!ok) {
      out.reset();
      DeleteFileW(temporary.c_str());
      return QLXS_E_QUARANTINE_DAMAGED;
    }
  }
  // No replacing: a file that appeared meanwhile stays, and so does the quarantined copy.
  if (!MoveFileExW(temporary.c_str(), target.c_str(), 0)) {
    DeleteFileW(temporary.c_str());
    return QLXS_E_QUARANTINE_OCCUPIED;
  }
  if (header->attributes != INVALID_FILE_ATTRIBUTES && header->attributes != 0)
    SetFileAttributesW(target.c_str(), header->attributes);
  return 0;
}

uint32_t DeleteQuarantined(qlxs_scanner& scanner, uint64_t id) {
  const std::wstring item = ItemPath(scanner, id);
  if (GetFileAttributesW(item.c_str()) == INVALID_FILE_ATTRIBUTES) return QLXS_E_QUARANTINE_NOT_FOUND;
  return DeleteFileW(item.c_str()) ? 0 : QLXS_E_QUARANTINE_WRITE;
}

}  // namespace qws::scan
