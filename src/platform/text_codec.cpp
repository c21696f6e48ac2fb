#include "platform/text_codec.h"

namespace platform {
namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of the well-formed UTF-8 sequence that starts `s` at `i`, or 0. Only
// the shortest form of a scalar value counts: overlong forms, surrogates and
// anything beyond U+10FFFF are Windows-1252 text that merely looks like UTF-8.
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the byte after the lead
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    }
    if (len == 0 || i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k, lo = 0x80, hi = 0xBF) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if (b < lo || b > hi)
            return 0;
    }
    return len;
}

bool IsMultiByteUtf8(std::string_view s) {
    bool multi = false;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t len = Utf8SequenceAt(s, i);
        if (len == 0)
            return false;
        multi = multi || len > 1;
        i += len;
    }
    return multi;
}

}  // namespace

QString DecodeText(std::string_view bytes) {
    if (IsMultiByteUtf8(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 && c < 0xA0)
            out.append(QChar(kHigh[c - 0x80] ? kHigh[c - 0x80] : c));
        else
            out.append(QChar(c));
    }
    return out;
}

std::string EncodeText(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.push_back(static_cast<char>(u));
            continue;
        }
        int found = -1;
        for (int k = 0; k < 32; ++k)
            if (kHigh[k] == u && u != 0)
                found = k;
        if (found < 0) {
            const QByteArray utf8 = text.toUtf8();
            return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        }
        out.push_back(static_cast<char>(0x80 + found));
    }
    return out;
}

}  // namespace platform
