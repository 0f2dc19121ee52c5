#include "admin/Transliterate.h"

#include <array>
#include <string_view>

namespace {

// The lower-case alphabet with "ё" after "е", the upper-case one likewise, then the blank.
constexpr std::u16string_view kSource = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя"
                                        u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"
                                        u" ";

// The replacement of the letter at the same place.
constexpr std::array<std::u16string_view, 67> kTarget = {
    u"a", u"b", u"v", u"g", u"d", u"e", u"jo", u"zh", u"z", u"i", u"j", u"k", u"l", u"m", u"n", u"o", u"p",
    u"r", u"s", u"t", u"u", u"f", u"kh", u"c", u"ch", u"sh", u"shh", u"''", u"y", u"'", u"eh", u"ju", u"ja",
    u"A", u"B", u"V", u"G", u"D", u"E", u"JO", u"ZH", u"Z", u"I", u"J", u"K", u"L", u"M", u"N", u"O", u"P",
    u"R", u"S", u"T", u"U", u"F", u"KH", u"C", u"CH", u"SH", u"SHH", u"''", u"Y", u"'", u"EH", u"JU", u"JA",
    u"_",
};

static_assert(kSource.size() == 67);

}  // namespace

QString Transliterate(const QString& text) {
    QString result;
    result.reserve(text.size() * 2);
    for (QChar ch : text) {
        const size_t at = kSource.find(ch.unicode());
        if (at == std::u16string_view::npos) {
            result += ch;
        } else {
            const std::u16string_view replacement = kTarget[at];
            result += QStringView(replacement.data(), qsizetype(replacement.size()));
        }
    }
    return result;
}
