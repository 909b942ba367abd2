#include "parser/UnitWords.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace nabbit {

namespace {

// Lower-case ASCII spellings: the letters of a glued token are ASCII wherever a code can
// hold them.
constexpr std::u16string_view kUnits[] = {
    // Seconds, minutes, hours, days.
    u"s", u"sec", u"secs", u"second", u"seconds", u"sek", u"sekunden", u"sekunder", u"seg", u"segs",
    u"segundos", u"secondi", u"secondes", u"sekund", u"sekundy", u"saniye", u"detik", u"m", u"min",
    u"mins", u"minute", u"minutes", u"minuten", u"minuto", u"minutos", u"minuti", u"minut",
    u"minuta", u"minuty", u"minutter", u"minuter", u"minutt", u"minuutti", u"minuuttia", u"perc",
    u"percig", u"dk", u"dak", u"dakika", u"menit", u"minit", u"phut", u"h", u"hr", u"hrs", u"hour",
    u"hours", u"std", u"stunde", u"stunden", u"uur", u"ore", u"hod", u"godz", u"saat", u"jam",
    u"timer", u"timmar", u"tuntia", u"ora", u"heures", u"horas", u"d", u"day", u"days", u"tag",
    u"tage", u"dias", u"giorni", u"jours", u"dni", u"dage", u"dagar", u"ms",
    // Data, distance and weight.
    u"kb", u"mb", u"gb", u"tb", u"km", u"kg", u"cm", u"mm", u"ml", u"kw", u"kwh"};

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

bool isNumberWithUnit(const icu::UnicodeString& token) {
    int32_t digits = 0;
    while (digits < token.length() && isAsciiDigit(token[digits])) {
        ++digits;
    }
    if (digits == 0 || digits == token.length()) {
        return false;
    }
    std::u16string unit;
    for (int32_t i = digits; i < token.length(); ++i) {
        char16_t c = token[i];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c - u'A' + u'a');
        } else if (c < u'a' || c > u'z') {
            return false;
        }
        unit.push_back(c);
    }
    return std::find(std::begin(kUnits), std::end(kUnits), unit) != std::end(kUnits);
}

}  // namespace nabbit
