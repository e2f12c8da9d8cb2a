#include "data/jet/JetText.h"

#include <cstdint>

namespace orbisk::jet {

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    int extra;
    if (c < 0x80) {
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, extra = 3;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (i + extra >= s.size()) {  // cut short at the end
      out += u'\uFFFD';
      ++i;
      continue;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      cp = cp << 6 | (cc & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return out;
}

namespace {

char* PutUtf8(uint32_t cp, char* p) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | cp >> 6);
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | cp >> 12);
    *p++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | cp >> 18);
    *p++ = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

// UTF-16 units to UTF-8 in a buffer of three bytes a unit: surrogate pairs
// become one character, a lone surrogate U+FFFD.
class Utf8Writer {
 public:
  explicit Utf8Writer(char* out) : p_(out) {}
  void Unit(char16_t u) {
    if (high_) {
      if (u >= 0xDC00 && u <= 0xDFFF) {
        p_ = PutUtf8(0x10000 + ((high_ - 0xD800) << 10) + (u - 0xDC00), p_);
        high_ = 0;
        return;
      }
      p_ = PutUtf8(0xFFFD, p_);
      high_ = 0;
    }
    if (u < 0x80)
      *p_++ = static_cast<char>(u);
    else if (u >= 0xD800 && u <= 0xDBFF)
      high_ = u;
    else
      p_ = PutUtf8(u >= 0xDC00 && u <= 0xDFFF ? 0xFFFD : u, p_);
  }
  // The end of what was written.
  char* Finish() {
    if (high_) p_ = PutUtf8(0xFFFD, p_);
    high_ = 0;
    return p_;
  }

 private:
  char* p_;
  uint32_t high_ = 0;
};

// Calls unit(char16_t) for every UTF-16 unit of stored text.
template <class Unit>
void ForEachStoredUnit(std::string_view b, Unit unit) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(b[i]); };
  if (b.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    // Compressed: single bytes, a zero byte switches to and from UCS-2.
    bool single = true;
    for (size_t i = 2; i < b.size();) {
      if (b[i] == 0) {
        single = !single;
        ++i;
      } else if (single) {
        unit(static_cast<char16_t>(byte(i++)));
      } else {
        if (i + 1 >= b.size()) break;
        unit(static_cast<char16_t>(byte(i) | byte(i + 1) << 8));
        i += 2;
      }
    }
    return;
  }
  for (size_t i = 0; i + 1 < b.size(); i += 2) unit(static_cast<char16_t>(byte(i) | byte(i + 1) << 8));
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out(3 * s.size(), '\0');
  Utf8Writer utf8(out.data());
  for (char16_t u : s) utf8.Unit(u);
  out.resize(static_cast<size_t>(utf8.Finish() - out.data()));
  return out;
}

std::string EncodeText(std::u16string_view text, bool compressible) {
  bool compress = compressible && text.size() > 2 && text.size() <= 1024;
  for (size_t i = 0; compress && i < text.size(); ++i)
    compress = text[i] >= 0x01 && text[i] <= 0xFF;
  std::string out;
  if (compress) {
    out.reserve(text.size() + 2);
    out += '\xFF';
    out += '\xFE';
    for (char16_t c : text) out += static_cast<char>(c);
  } else {
    out.resize(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
      out[2 * i] = static_cast<char>(text[i] & 0xFF);
      out[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
  }
  return out;
}

std::u16string DecodeText(std::string_view stored) {
  std::u16string out;
  ForEachStoredUnit(stored, [&](char16_t u) { out += u; });
  return out;
}

void DecodeTextUtf8(std::string_view stored, std::string& out) {
  out.resize(3 * stored.size());
  // Most compressed text never switches to UCS-2: Latin-1 bytes to the end.
  const auto* b = reinterpret_cast<const unsigned char*>(stored.data());
  if (stored.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    char* p = out.data();
    size_t i = 2;
    for (; i < stored.size() && b[i] != 0; ++i) {
      if (b[i] < 0x80) {
        *p++ = static_cast<char>(b[i]);
      } else {
        *p++ = static_cast<char>(0xC0 | b[i] >> 6);
        *p++ = static_cast<char>(0x80 | (b[i] & 0x3F));
      }
    }
    if (i == stored.size()) {
      out.resize(static_cast<size_t>(p - out.data()));
      return;
    }
  }
  Utf8Writer utf8(out.data());
  ForEachStoredUnit(stored, [&](char16_t u) { utf8.Unit(u); });
  out.resize(static_cast<size_t>(utf8.Finish() - out.data()));
}

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
  // Latin-1 small letters à..þ except the division sign.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return c;
}

}  // namespace

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace orbisk::jet
