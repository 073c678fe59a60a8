#include "ui/import_fields.h"

#include <locale.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace calyra::ui {
namespace {

constexpr int kAspectChars = 19;  // what a 20-character text buffer holds

// Digits with an optional sign, blanks around; false when anything else is
// there or the magnitude passes limit.
bool ParseInteger(const QString& text, bool allowMinus, std::uint64_t limit, std::int64_t& value) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        if (negative && !allowMinus) return false;
        ++i;
    }
    if (i == t.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9') return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
        if (magnitude > limit + 1) return false;  // stops growth long before overflow
    }
    if (negative) {
        if (magnitude > limit + 1) return false;
        value = -static_cast<std::int64_t>(magnitude);
        return true;
    }
    if (magnitude > limit) return false;
    value = static_cast<std::int64_t>(magnitude);
    return true;
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

}  // namespace

std::int32_t ReadSignedField(const QString& text) {
    std::int64_t value = 0;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (!ParseInteger(text, true, kMax, value)) return 0;
    return static_cast<std::int32_t>(value);
}

std::int32_t ReadUnsignedField(const QString& text) {
    std::int64_t value = 0;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::uint32_t>::max());
    if (!ParseInteger(text, false, kMax, value)) return 0;
    // Kept bit for bit: a value past 2^31 - 1 reads as negative and is refused later.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

float ReadAspectField(const QString& text) {
    const QByteArray bytes = text.left(kAspectChars).toLatin1();
    const locale_t c = CLocale();
    const double value =
        c ? strtod_l(bytes.constData(), nullptr, c) : std::strtod(bytes.constData(), nullptr);
    // A finite double beyond float range has no float value of its own.
    if (std::isfinite(value) && std::fabs(value) > FLT_MAX) {
        return std::signbit(value) ? -std::numeric_limits<float>::infinity()
                                   : std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

ImportFields ReadImportFields(const ImportFieldTexts& texts) {
    ImportFields f;
    f.params.dimX = ReadSignedField(texts.dimX);
    f.params.dimY = ReadSignedField(texts.dimY);
    f.params.dimZ = ReadSignedField(texts.dimZ);
    f.params.aspectX = ReadAspectField(texts.aspectX);
    f.params.aspectY = ReadAspectField(texts.aspectY);
    f.params.aspectZ = ReadAspectField(texts.aspectZ);
    f.options.bytesPerVoxel = ReadUnsignedField(texts.bytesPerVoxel);
    f.options.reverseBytes = texts.reverse ? 1 : 0;
    f.options.headerBytes = ReadSignedField(texts.headerBytes);
    f.format = texts.ascii ? RawFormat::Ascii : RawFormat::Binary;
    return f;
}

}  // namespace calyra::ui
