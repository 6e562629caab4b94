#include "kokit/Codepage.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "codepage/Iconv.h"
#include "kokit/Error.h"

namespace kokit {

namespace detail {

Iconv::Iconv(const std::string& to, const std::string& from)
    : cd_(iconv_open(to.c_str(), from.c_str())) {
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    throw Error(EINVAL, "unknown code page: " + (to == "UTF-8" ? from : to));
  }
}

Iconv::~Iconv() { iconv_close(cd_); }

}  // namespace detail

namespace {

// Extends GBK to every Unicode character and writes what GBK holds with GBK's bytes.
constexpr const char* kDefaultCodepage = "GB18030";

struct CodepageState {
  std::mutex mutex;
  std::string name;
  std::atomic<unsigned> generation{0};
};

CodepageState& State() {
  static CodepageState state;
  static std::once_flag once;
  std::call_once(once, [] {
    const char* env = std::getenv("KOKIT_CODEPAGE");
    state.name = (env && *env) ? env : kDefaultCodepage;
  });
  return state;
}

// Descriptors are per thread and reopened when the code page changes.
// How many bytes a character of the code page takes from a byte >= 0x80 on, for splitting
// legacy text at ASCII runs without cutting a character; 0 where that is not known.
using UnitLength = size_t (*)(std::string_view rest);

// One sequence converted by a fixed rule instead of iconv (empty `from`: none).
struct Exception {
  std::string_view from;
  std::string_view to;
};

struct Converters {
  unsigned generation = ~0u;
  std::unique_ptr<detail::Iconv> toLegacy;
  std::unique_ptr<detail::Iconv> fromLegacy;
  // ASCII is the same in both forms, so runs of it are copied instead of converted.
  bool asciiSame = false;
  UnitLength legacyUnit = nullptr;
  // GB18030: "€" is 0x80, as in GBK; glibc writes A2 E3 and refuses a lone 0x80.
  Exception toException;
  Exception fromException;
};

size_t OneByte(std::string_view) { return 1; }
// 0x80 (the euro sign, or nothing) and 0xFF stand alone: neither leads a double-byte character.
bool NoLead(std::string_view rest) {
  auto b = static_cast<unsigned char>(rest[0]);
  return b == 0x80 || b == 0xFF;
}
size_t TwoBytes(std::string_view rest) { return NoLead(rest) ? 1 : 2; }
// GB18030 adds four-byte characters whose second byte is a digit.
size_t Gb18030Unit(std::string_view rest) {
  if (NoLead(rest)) return 1;
  return rest.size() > 1 && rest[1] >= '0' && rest[1] <= '9' ? 4 : 2;
}

// The name without "-" and "_", in capitals: "gb-18030" and "GB18030" are one code page.
std::string NameKey(const std::string& name) {
  std::string key;
  for (char c : name) {
    if (c != '-' && c != '_')
      key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return key;
}

UnitLength LegacyUnitFor(const std::string& name) {
  const std::string key = NameKey(name);
  // In UTF-8 a byte below 0x80 is never part of a longer character.
  if (key == "UTF8") return OneByte;
  if (key == "GB18030") return Gb18030Unit;
  // Double-byte code pages: a lead byte >= 0x80 and one trail byte, which may be ASCII-range.
  for (const char* dbcs :
       {"GBK", "CP936", "GB2312", "EUCCN", "BIG5", "CP950", "EUCKR", "CP949", "UHC"}) {
    if (key == dbcs) return TwoBytes;
  }
  return nullptr;
}

bool AsciiSame(const detail::Iconv& to, const detail::Iconv& from) {
  std::string ascii;
  for (int c = 1; c < 0x80; ++c) ascii.push_back(static_cast<char>(c));
  auto none = [](std::string_view) { return size_t{1}; };
  return to.Convert(ascii, none) == ascii && from.Convert(ascii, none) == ascii;
}

Converters& Current() {
  thread_local Converters conv;
  CodepageState& state = State();
  unsigned gen = state.generation.load();
  if (conv.generation != gen || !conv.toLegacy) {
    std::string name;
    {
      std::lock_guard lock(state.mutex);
      name = state.name;
    }
    try {
      conv.toLegacy = std::make_unique<detail::Iconv>(name, "UTF-8");
      conv.fromLegacy = std::make_unique<detail::Iconv>("UTF-8", name);
    } catch (const Error&) {
      // An unknown name in the environment: fall back to the default rather than fail every call.
      name = kDefaultCodepage;
      conv.toLegacy = std::make_unique<detail::Iconv>(name, "UTF-8");
      conv.fromLegacy = std::make_unique<detail::Iconv>("UTF-8", name);
    }
    conv.asciiSame = AsciiSame(*conv.toLegacy, *conv.fromLegacy);
    conv.legacyUnit = conv.asciiSame ? LegacyUnitFor(name) : nullptr;
    const bool euroAt80 = NameKey(name) == "GB18030";
    conv.toException = euroAt80 ? Exception{"\xE2\x82\xAC", "\x80"} : Exception{};
    conv.fromException = euroAt80 ? Exception{"\x80", "\xE2\x82\xAC"} : Exception{};
    conv.generation = gen;
  }
  return conv;
}

// Length of the UTF-8 sequence that starts `s` (1 for a stray byte).
size_t Utf8SequenceLength(std::string_view s) {
  auto b = static_cast<unsigned char>(s[0]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
  if (n > s.size()) return 1;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

constexpr uint64_t kHighBits = 0x8080808080808080ull;
constexpr uint64_t kLowBits = 0x7F7F7F7F7F7F7F7Full;
constexpr uint64_t kOnes = 0x0101010101010101ull;

uint64_t Word(const char* at) {
  uint64_t word;
  std::memcpy(&word, at, 8);
  return word;
}

// The number of bytes whose high bit is set in `mask` (each byte 0x80 or 0): the high bits as
// 0/1 bytes, summed into the top byte (no popcount instruction on plain x86-64).
size_t CountMarked(uint64_t mask) { return static_cast<size_t>(((mask >> 7) * kOnes) >> 56); }

// iconv's UTF-8, UTF-32 and UCS-4 decoders let through code points above U+10FFFF (F4 90.. up
// to six-byte sequences), which no UTF-8 reader accepts.
bool BeyondUnicodeAt(std::string_view text, size_t i) {
  auto b = static_cast<unsigned char>(text[i]);
  return b >= 0xF5 ||
         (b == 0xF4 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x90);
}

// Each such sequence becomes "?"; false when there was none.
bool ReplaceBeyondUnicode(std::string& text) {
  size_t i = 0;
  // Whole words without a byte of 0xF0 or more are passed over eight bytes at a time.
  for (; i + 8 <= text.size(); i += 8) {
    const uint64_t w = Word(text.data() + i);
    if ((w & (w << 1) & (w << 2) & (w << 3) & kHighBits) != 0) break;
  }
  while (i < text.size() && !BeyondUnicodeAt(text, i)) ++i;
  if (i == text.size()) return false;
  std::string out(text, 0, i);
  while (i < text.size()) {
    if (!BeyondUnicodeAt(text, i)) {
      out.push_back(text[i++]);
      continue;
    }
    out.push_back('?');
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  text = std::move(out);
  return true;
}

size_t SkipOne(std::string_view) { return 1; }

// Where the first character above U+10FFFF starts in `bytes`. iconv does not say which input
// gave which output, so the shortest prefix that yields one is found by halving, then the
// shortest tail of that prefix that still does. Only a failing strict conversion pays for it.
size_t BeyondUnicodeOffset(std::string_view bytes, const detail::Iconv& cv) {
  auto yields = [&](std::string_view part) {
    std::string text = cv.Convert(part, SkipOne);
    for (size_t i = 0; i < text.size(); ++i) {
      if (BeyondUnicodeAt(text, i)) return true;
    }
    return false;
  };
  size_t lo = 0, hi = bytes.size();  // yields(bytes[0, hi)) holds, yields(bytes[0, lo)) not
  while (hi - lo > 1) {
    const size_t mid = lo + (hi - lo) / 2;
    (yields(bytes.substr(0, mid)) ? hi : lo) = mid;
  }
  for (size_t k = 1; k < hi; ++k) {
    if (yields(bytes.substr(hi - k, k))) return hi - k;
  }
  return 0;
}

// The most UTF-8 that legacy `in` can become, counted eight bytes at a time: one per byte and
// one more per byte >= 0x80 (a two-byte character becomes at most three bytes, a four-byte one
// with two such bytes at most four), and one more again per lone 0x80, which GBK and GB18030
// read as the three bytes of "€".
size_t LongestFromLegacy(std::string_view in) {
  size_t high = 0;
  size_t euro = 0;
  size_t i = 0;
  for (; i + 8 <= in.size(); i += 8) {
    const uint64_t w = Word(in.data() + i);
    // Bytes of exactly 0x80 are the zero bytes of w ^ kHighBits (the exact zero-byte test).
    const uint64_t x = w ^ kHighBits;
    high += CountMarked(w & kHighBits);
    euro += CountMarked(~(((x & kLowBits) + kLowBits) | x | kLowBits));
  }
  for (; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    high += b >> 7;
    euro += b == 0x80;
  }
  return in.size() + high + euro + 4;
}

// The end of the run of ASCII bytes that starts at `i`, eight bytes at a time.
size_t AsciiRunEnd(std::string_view in, size_t i) {
  while (i + 8 <= in.size() && (Word(in.data() + i) & kHighBits) == 0) i += 8;
  while (i < in.size() && static_cast<unsigned char>(in[i]) < 0x80) ++i;
  return i;
}

// Copies runs of ASCII as they are and converts what lies between them; `unit` keeps a
// character whole, and the exception's sequence is replaced by its fixed form wherever a
// character starts with it. Most answers and statements are largely ASCII, and iconv is the
// costly part. `expected` is the room reserved for the result.
template <typename Skip>
std::string ConvertByRuns(std::string_view in, const detail::Iconv& cv, Skip skip, UnitLength unit,
                          Exception exception, size_t expected) {
  std::string out;
  out.reserve(expected);
  auto isException = [&](size_t k) {
    return !exception.from.empty() && in.substr(k).starts_with(exception.from);
  };
  size_t i = 0;
  while (i < in.size()) {
    size_t j = AsciiRunEnd(in, i);
    out.append(in.data() + i, j - i);
    if (j == in.size()) break;
    size_t k = j;
    while (k < in.size() && static_cast<unsigned char>(in[k]) >= 0x80 && !isException(k)) {
      k += unit(in.substr(k));
    }
    k = std::min(k, in.size());
    cv.ConvertAppend(in.substr(j, k - j), skip, out);
    if (k < in.size() && isException(k)) {
      out.append(exception.to);
      k += exception.from.size();
    }
    i = k;
  }
  return out;
}

// A skip rule that also notes where the first loss was in `in`.
template <typename Skip>
auto Noting(Skip skip, std::string_view in, size_t* firstLost) {
  if (firstLost) *firstLost = std::string_view::npos;
  return [=](std::string_view rest) {
    if (firstLost && *firstLost == std::string_view::npos) {
      *firstLost = static_cast<size_t>(rest.data() - in.data());
    }
    return skip(rest);
  };
}

}  // namespace

std::string ToLegacy(std::string_view utf8, size_t* firstLost) {
  Converters& conv = Current();
  auto skip = Noting(Utf8SequenceLength, utf8, firstLost);
  // UTF-8 input can always be split before a byte below 0x80.
  if (conv.asciiSame) {
    return ConvertByRuns(utf8, *conv.toLegacy, skip, OneByte, conv.toException,
                         utf8.size() + utf8.size() / 4 + 4);
  }
  return conv.toLegacy->Convert(utf8, skip);
}

std::string FromLegacy(std::string_view bytes, size_t* firstLost) {
  Converters& conv = Current();
  auto skip = Noting(SkipOne, bytes, firstLost);
  // Room for the longest result, so an answer of tens of MB is converted into one buffer that
  // never has to grow and be copied; room left unused is never touched and costs no memory.
  std::string text = conv.legacyUnit ? ConvertByRuns(bytes, *conv.fromLegacy, skip, conv.legacyUnit,
                                                     conv.fromException, LongestFromLegacy(bytes))
                                     : conv.fromLegacy->Convert(bytes, skip);
  if (ReplaceBeyondUnicode(text) && firstLost) {
    *firstLost = std::min(*firstLost, BeyondUnicodeOffset(bytes, *conv.fromLegacy));
  }
  return text;
}

std::string LegacyCodepage() {
  CodepageState& state = State();
  std::lock_guard lock(state.mutex);
  return state.name;
}

void SetLegacyCodepage(const std::string& name) {
  detail::Iconv probe(name, "UTF-8");  // throws when iconv does not know the name
  CodepageState& state = State();
  {
    std::lock_guard lock(state.mutex);
    state.name = name;
  }
  state.generation.fetch_add(1);
}

}  // namespace kokit
