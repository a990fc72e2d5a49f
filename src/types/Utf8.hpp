#pragma once
// Error messages cross into Python, which decodes them as UTF-8. Messages
// that quote file names or model contents may hold other bytes; those are
// written as \xNN escapes so that the error itself survives the crossing.
#include <cstddef>
#include <string>
#include <string_view>

namespace Quor::detail {

// Length of the well-formed UTF-8 sequence starting at `i`, or 0.
inline size_t utf8SequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else
        return 0;
    if (i + length > text.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

inline std::string escapeInvalidUtf8(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (const size_t length = utf8SequenceLength(text, i)) {
            result.append(text.substr(i, length));
            i += length;
        } else {
            const auto b = static_cast<unsigned char>(text[i++]);
            result += "\\x";
            result += hex[b >> 4];
            result += hex[b & 0xF];
        }
    }
    return result;
}

}  // namespace Quor::detail
