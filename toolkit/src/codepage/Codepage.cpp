#include "kokit/Codepage.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
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
    state.name = (env && *env) ? env : "GBK";
  });
  return state;
}

// Descriptors are per thread and reopened when the code page changes.
struct Converters {
  unsigned generation = ~0u;
  std::unique_ptr<detail::Iconv> toLegacy;
  std::unique_ptr<detail::Iconv> fromLegacy;
};

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
      // An unknown name in the environment: fall back to GBK rather than fail every call.
      conv.toLegacy = std::make_unique<detail::Iconv>("GBK", "UTF-8");
      conv.fromLegacy = std::make_unique<detail::Iconv>("UTF-8", "GBK");
    }
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

// iconv's UTF-8 decoder lets through forms above U+10FFFF (F4 90.. up to six-byte sequences),
// which no UTF-8 reader accepts: each such sequence becomes "?".
void ReplaceBeyondUnicode(std::string& text) {
  auto beyond = [&](size_t i) {
    auto b = static_cast<unsigned char>(text[i]);
    return b >= 0xF5 ||
           (b == 0xF4 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x90);
  };
  size_t i = 0;
  while (i < text.size() && !beyond(i)) ++i;
  if (i == text.size()) return;
  std::string out(text, 0, i);
  while (i < text.size()) {
    if (!beyond(i)) {
      out.push_back(text[i++]);
      continue;
    }
    out.push_back('?');
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  text = std::move(out);
}

}  // namespace

std::string ToLegacy(std::string_view utf8) {
  return Current().toLegacy->Convert(utf8, Utf8SequenceLength);
}

std::string FromLegacy(std::string_view bytes) {
  std::string text =
      Current().fromLegacy->Convert(bytes, [](std::string_view) { return size_t{1}; });
  ReplaceBeyondUnicode(text);
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
