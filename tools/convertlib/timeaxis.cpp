// Record times as a CF time coordinate, with midnight crossings handled.
#include "convertlib/timeaxis.h"

#include <cmath>
#include <cstdio>

namespace convert {

namespace {

constexpr double SecondsPerDay = 86400.0;

bool isWhole(double x) { return std::isfinite(x) && x >= 0.0 && std::floor(x) == x; }

int daysInMonth(int year, int month) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : Days[month - 1];
}

}  // namespace

std::optional<CivilDate> dateOf(double yymmdd) {
    if (!isWhole(yymmdd) || yymmdd >= 1e8) return std::nullopt;
    const auto value = static_cast<long long>(yymmdd);
    CivilDate d;
    d.day = static_cast<int>(value % 100);
    d.month = static_cast<int>(value / 100 % 100);
    const auto year = static_cast<int>(value / 10000);
    d.year = value >= 1000000 ? year : (year >= 70 ? 1900 + year : 2000 + year);
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month)) return std::nullopt;
    return d;
}

long long daysSinceEpoch(const CivilDate& date) {
    // The civil-calendar day count in 400-year eras starting on 1 March.
    const long long y = date.year - (date.month <= 2 ? 1 : 0);
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yearOfEra = y - era * 400;
    const long long m = date.month;
    const long long dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + date.day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate dateFromDays(long long days) {
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long m = (5 * dayOfYear + 2) / 153;
    CivilDate d;
    d.day = static_cast<int>(dayOfYear - (153 * m + 2) / 5 + 1);
    d.month = static_cast<int>(m < 10 ? m + 3 : m - 9);
    d.year = static_cast<int>(yearOfEra + era * 400 + (d.month <= 2 ? 1 : 0));
    return d;
}

std::string isoTime(const CivilDate& reference, double seconds) {
    const auto whole = static_cast<long long>(std::floor(seconds));
    const long long days = whole >= 0 ? whole / 86400 : -((-whole + 86399) / 86400);
    const long long rest = whole - days * 86400;
    const CivilDate d = dateFromDays(daysSinceEpoch(reference) + days);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02lld:%02lld:%02lldZ", d.year, d.month, d.day, rest / 3600,
                  rest / 60 % 60, rest % 60);
    return text;
}

std::optional<double> secondsOfDay(double hhmmss) {
    if (!std::isfinite(hhmmss) || hhmmss < 0.0 || hhmmss >= 240000.0) return std::nullopt;
    const double hours = std::floor(hhmmss / 10000.0);
    const double minutes = std::floor((hhmmss - hours * 10000.0) / 100.0);
    const double seconds = hhmmss - hours * 10000.0 - minutes * 100.0;
    if (minutes >= 60.0 || seconds >= 60.0) return std::nullopt;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

std::string timeUnits(const CivilDate& reference) {
    char text[48];
    std::snprintf(text, sizeof text, "seconds since %04d-%02d-%02d 00:00:00", reference.year, reference.month,
                  reference.day);
    return text;
}

std::optional<double> TimeAxis::next(double yymmdd, double hhmmss) {
    const std::optional<CivilDate> date = dateOf(yymmdd);
    long long day = lastDay_;
    if (date) {
        day = daysSinceEpoch(*date);
        if (!reference_) {
            reference_ = date;
            referenceDay_ = day;
        } else if (day != lastDay_) {
            dayOffset_ = 0.0;  // the date itself moved on
        }
        lastDay_ = day;
    }
    const std::optional<double> seconds = secondsOfDay(hhmmss);
    if (!seconds || !reference_) return std::nullopt;
    double t = static_cast<double>(day - referenceDay_) * SecondsPerDay + dayOffset_ + *seconds;
    if (last_ && t < *last_ - SecondsPerDay / 2) {
        dayOffset_ += SecondsPerDay;
        t += SecondsPerDay;
    }
    last_ = t;
    return t;
}

}  // namespace convert
