#include "cleaning/dll/pe_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/text.h"

namespace qz::dll {

namespace {

// Limits that no sound file comes near; they bound the work a hostile one causes.
constexpr uint32_t kMaxSections = 96;       // the loader's own limit
constexpr uint32_t kMaxDirEntries = 4096;   // entries of one resource directory
constexpr uint32_t kMaxVersionBytes = 0xFFFF;  // a version block's length is 16 bits
constexpr uint32_t kFixedInfoBytes = 52;       // sizeof(VS_FIXEDFILEINFO)
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint16_t kResourceTypeVersion = 16;  // RT_VERSION

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

struct Section {
  uint32_t va = 0, vsize = 0, rawSize = 0, rawPtr = 0;
};

class PeReader {
 public:
  explicit PeReader(ByteSource& src) : src_(src) {}

  PeVersionInfo Run() {
    PeVersionInfo info;
    if (!ReadHeaders(info)) return info;
    std::vector<uint8_t> blob;
    if (!FindVersionBlob(blob)) return info;
    info.HasResource = true;
    ParseVersionBlob(blob, info);
    return info;
  }

 private:
  bool Read(uint64_t off, void* out, size_t n) {
    if (n == 0) return true;
    if (off > src_.Size() || n > src_.Size() - off) return false;
    return src_.Read(off, out, n);
  }

  bool ReadHeaders(PeVersionInfo& info) {
    uint8_t dos[64];
    if (!Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint32_t pe = U32(dos + 0x3C);
    uint8_t fh[24];  // signature + IMAGE_FILE_HEADER
    if (!Read(pe, fh, sizeof fh) || std::memcmp(fh, "PE\0\0", 4) != 0) return false;
    info.IsPe = true;
    info.Machine = U16(fh + 4);
    const uint32_t sectionCount = U16(fh + 6);
    const uint32_t optSize = U16(fh + 20);
    if (sectionCount == 0 || sectionCount > kMaxSections) return false;

    // The optional header: its magic says where the data directories lie.
    std::vector<uint8_t> opt(optSize);
    if (optSize < 2 || !Read(uint64_t{pe} + 24, opt.data(), optSize)) return false;
    const uint16_t magic = U16(opt.data());
    size_t countAt, dirsAt;
    if (magic == 0x10B) {
      countAt = 92, dirsAt = 96;  // PE32
    } else if (magic == 0x20B) {
      countAt = 108, dirsAt = 112;  // PE32+
    } else {
      return false;
    }
    if (optSize < countAt + 4) return false;
    const uint32_t dirCount = U32(opt.data() + countAt);
    const size_t resAt = dirsAt + 2 * 8;  // data directory 2: resources
    if (dirCount <= 2 || optSize < resAt + 8) return false;
    resRva_ = U32(opt.data() + resAt);
    if (resRva_ == 0) return false;

    std::vector<uint8_t> table(sectionCount * 40);
    if (!Read(uint64_t{pe} + 24 + optSize, table.data(), table.size())) return false;
    for (uint32_t i = 0; i < sectionCount; ++i) {
      const uint8_t* s = table.data() + i * 40;
      sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
    }
    return true;
  }

  // The file offset of n bytes at an address of the loaded image, when all of
  // them lie in the stored part of one section.
  bool Offset(uint32_t rva, uint32_t n, uint64_t& off) const {
    for (const Section& s : sections_) {
      if (rva < s.va) continue;
      const uint64_t rel = uint64_t{rva} - s.va;
      if (rel + n > s.rawSize) continue;
      off = uint64_t{s.rawPtr} + rel;
      return true;
    }
    return false;
  }

  bool ReadRva(uint32_t rva, void* out, uint32_t n) {
    uint64_t off;
    return Offset(rva, n, off) && Read(off, out, n);
  }

  // Offsets inside the resource tree are relative to its root.
  bool ReadRes(uint32_t rel, void* out, uint32_t n) {
    if (rel > 0x7FFFFFFFu) return false;
    const uint64_t rva = uint64_t{resRva_} + rel;
    if (rva + n > 0xFFFFFFFFull) return false;
    return ReadRva(static_cast<uint32_t>(rva), out, n);
  }

  // The entry of a directory with the given id, or its first entry when id
  // is negative. Returns the entry's target (offset with its subdirectory bit).
  bool DirEntry(uint32_t dirRel, int id, uint32_t& target) {
    uint8_t hdr[16];
    if (!ReadRes(dirRel, hdr, sizeof hdr)) return false;
    const uint32_t named = U16(hdr + 12), ids = U16(hdr + 14);
    const uint32_t count = named + ids;
    if (count == 0 || count > kMaxDirEntries) return false;
    std::vector<uint8_t> entries(count * 8);
    if (!ReadRes(dirRel + 16, entries.data(), static_cast<uint32_t>(entries.size()))) return false;
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = entries.data() + i * 8;
      const uint32_t name = U32(e);
      if (id < 0 || (!(name & 0x80000000u) && name == static_cast<uint32_t>(id))) {
        target = U32(e + 4);
        return true;
      }
    }
    return false;
  }

  bool FindVersionBlob(std::vector<uint8_t>& blob) {
    // Three fixed levels: type, then name, then language; each of the last
    // two takes its first entry. The depth is fixed, so a loop in the tree
    // cannot make the walk go round.
    uint32_t t;
    if (!DirEntry(0, kResourceTypeVersion, t) || !(t & 0x80000000u)) return false;
    if (!DirEntry(t & 0x7FFFFFFFu, -1, t) || !(t & 0x80000000u)) return false;
    if (!DirEntry(t & 0x7FFFFFFFu, -1, t) || (t & 0x80000000u)) return false;
    uint8_t data[16];  // IMAGE_RESOURCE_DATA_ENTRY
    if (!ReadRes(t, data, sizeof data)) return false;
    const uint32_t rva = U32(data), size = U32(data + 4);
    const uint32_t n = size < kMaxVersionBytes ? size : kMaxVersionBytes;
    if (n < 6) return false;
    blob.resize(n);
    return ReadRva(rva, blob.data(), n);
  }

  // ---- the version block tree ------------------------------------------------

  struct Block {
    size_t start = 0, end = 0;         // the block within the blob
    std::u16string key;
    size_t valueAt = 0, valueLen = 0;  // bytes
    uint16_t type = 0;
    size_t childrenAt = 0;
  };

  static size_t Align4(size_t v) { return (v + 3) & ~size_t{3}; }

  // Reads the block at pos, bounded by limit. False when it is damaged.
  static bool ParseBlock(const std::vector<uint8_t>& b, size_t pos, size_t limit, Block& out) {
    if (pos + 6 > limit) return false;
    const size_t len = U16(&b[pos]);
    const size_t valueLen = U16(&b[pos + 2]);
    out.type = U16(&b[pos + 4]);
    if (len < 6 || pos + len > limit) return false;
    out.start = pos;
    out.end = pos + len;
    out.key.clear();
    size_t p = pos + 6;
    for (;; p += 2) {
      if (p + 2 > out.end) return false;
      const char16_t c = U16(&b[p]);
      if (c == 0) break;
      out.key.push_back(c);
    }
    out.valueAt = Align4(p + 2);
    // Text values count characters, binary ones bytes.
    size_t bytes = out.type == 1 ? valueLen * 2 : valueLen;
    if (out.valueAt > out.end) {
      out.valueAt = out.end;
      bytes = 0;
    }
    if (bytes > out.end - out.valueAt) bytes = out.end - out.valueAt;
    out.valueLen = bytes;
    out.childrenAt = Align4(out.valueAt + bytes);
    return true;
  }

  template <class Fn>
  static void ForChildren(const std::vector<uint8_t>& b, const Block& parent, Fn&& fn) {
    size_t pos = parent.childrenAt;
    Block child;
    while (pos + 6 <= parent.end && ParseBlock(b, pos, parent.end, child)) {
      fn(child);
      pos = Align4(child.end);
    }
  }

  // A text value up to its first NUL (some writers count bytes, not
  // characters, so the text is read to the end of its block at most).
  static std::string TextValue(const std::vector<uint8_t>& b, const Block& s) {
    if (s.valueLen == 0) return {};
    std::wstring w;
    for (size_t p = s.valueAt; p + 2 <= s.end; p += 2) {
      const wchar_t c = U16(&b[p]);
      if (c == 0) break;
      w.push_back(c);
    }
    return Narrow(w);
  }

  static bool KeyIs(const std::u16string& key, const char* ascii) {
    size_t i = 0;
    for (; ascii[i]; ++i)
      if (i >= key.size() || key[i] != static_cast<char16_t>(ascii[i])) return false;
    return i == key.size();
  }

  static bool KeyEqualsNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char16_t x = a[i], y = b[i];
      if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
      if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
      if (x != y) return false;
    }
    return true;
  }

  static void ParseVersionBlob(const std::vector<uint8_t>& b, PeVersionInfo& info) {
    Block root;
    if (!ParseBlock(b, 0, b.size(), root)) return;
    if (root.valueLen >= kFixedInfoBytes && U32(&b[root.valueAt]) == kFixedSignature) {
      const uint32_t ms = U32(&b[root.valueAt + 8]), ls = U32(&b[root.valueAt + 12]);
      info.HasFixed = true;
      info.Fixed[0] = static_cast<uint16_t>(ms >> 16);
      info.Fixed[1] = static_cast<uint16_t>(ms & 0xFFFF);
      info.Fixed[2] = static_cast<uint16_t>(ls >> 16);
      info.Fixed[3] = static_cast<uint16_t>(ls & 0xFFFF);
    }

    // The tables and the first translation.
    std::vector<Block> tables;
    std::u16string wanted;
    ForChildren(b, root, [&](const Block& child) {
      if (KeyIs(child.key, "StringFileInfo")) {
        ForChildren(b, child, [&](const Block& table) { tables.push_back(table); });
      } else if (KeyIs(child.key, "VarFileInfo") && wanted.empty()) {
        ForChildren(b, child, [&](const Block& var) {
          if (!wanted.empty() || !KeyIs(var.key, "Translation") || var.valueLen < 4) return;
          char buf[16];
          std::snprintf(buf, sizeof buf, "%04X%04X", U16(&b[var.valueAt]), U16(&b[var.valueAt + 2]));
          for (const char* p = buf; *p; ++p) wanted.push_back(static_cast<char16_t>(*p));
        });
      }
    });
    if (tables.empty()) return;
    const Block* table = &tables.front();
    for (const Block& t : tables) {
      if (!wanted.empty() && KeyEqualsNoCase(t.key, wanted)) {
        table = &t;
        break;
      }
    }
    ForChildren(b, *table, [&](const Block& s) {
      if (KeyIs(s.key, "FileVersion"))
        info.FileVersion = TextValue(b, s);
      else if (KeyIs(s.key, "FileDescription"))
        info.FileDescription = TextValue(b, s);
      else if (KeyIs(s.key, "CompanyName"))
        info.CompanyName = TextValue(b, s);
    });
  }

  ByteSource& src_;
  uint32_t resRva_ = 0;
  std::vector<Section> sections_;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, void* out, size_t n) override {
    if (offset > bytes_.size() || n > bytes_.size() - offset) return false;
    std::memcpy(out, bytes_.data() + offset, n);
    return true;
  }

 private:
  std::string_view bytes_;
};

// A file read in blocks: the reader's accesses cluster (the headers, then the
// resource directories), so most of them are served from one of two blocks.
class FileSource : public ByteSource {
 public:
  FileSource(HANDLE h, uint64_t size) : h_(h), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* out, size_t n) override {
    if (offset > size_ || n > size_ - offset) return false;
    for (Cache* c : {&head_, &last_}) {
      if (offset >= c->offset && offset + n <= c->offset + c->bytes.size()) {
        std::memcpy(out, c->bytes.data() + (offset - c->offset), n);
        return true;
      }
    }
    Cache& c = head_.bytes.empty() ? head_ : last_;
    const uint64_t want = n > kBlock ? n : kBlock;
    const size_t len = static_cast<size_t>(want < size_ - offset ? want : size_ - offset);
    c.offset = offset;
    c.bytes.resize(len);
    if (!ReadAt(offset, c.bytes.data(), len)) {
      c.bytes.clear();
      return false;
    }
    std::memcpy(out, c.bytes.data(), n);
    return true;
  }

 private:
  static constexpr uint64_t kBlock = 8192;
  struct Cache {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
  };

  bool ReadAt(uint64_t offset, void* out, size_t n) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ReadFile(h_, out, static_cast<DWORD>(n), &got, &ov) && got == n;
  }

  HANDLE h_;
  uint64_t size_;
  Cache head_, last_;
};

}  // namespace

PeVersionInfo ParsePeVersion(ByteSource& source) { return PeReader(source).Run(); }

PeVersionInfo ParsePeVersion(std::string_view bytes) {
  MemorySource src(bytes);
  return ParsePeVersion(src);
}

PeVersionInfo ReadPeVersion(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0) return {};
  FileSource src(file, static_cast<uint64_t>(size.QuadPart));
  return ParsePeVersion(src);
}

PeVersionInfo ReadPeVersion(const std::string& path) {
  HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  PeVersionInfo info = ReadPeVersion(h);
  CloseHandle(h);
  return info;
}

}  // namespace qz::dll
