#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace kokit::detail {

// One iconv descriptor, owned. Not shareable between threads.
class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from);
  ~Iconv();
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts `in`; at a sequence the target cannot hold or the source does not form, appends
  // `replacement` and skips what `skip` says (the length of the offending input sequence).
  template <typename Skip>
  std::string Convert(std::string_view in, Skip skip) const {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    ConvertAppend(in, skip, out);
    return out;
  }

  // The same, appending to `out`.
  template <typename Skip>
  void ConvertAppend(std::string_view in, Skip skip, std::string& out) const;

 private:
  iconv_t cd_;
};

template <typename Skip>
void Iconv::ConvertAppend(std::string_view in, Skip skip, std::string& out) const {
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (rc != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (cut short at the end): one "?" for the offending sequence.
    size_t n = skip(std::string_view(src, srcLeft));
    if (n == 0 || n > srcLeft) n = 1;
    if (n > srcLeft) n = srcLeft;
    src += n;
    srcLeft -= n;
    out.push_back('?');
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state.
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, dst - buf);
}

}  // namespace kokit::detail
