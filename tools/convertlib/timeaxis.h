// Record times as a CF time coordinate: seconds since midnight (UTC) of the first record's
// date, from the dateYYMMDD and timeHHMMSS header values.
#pragma once

#include <optional>
#include <string>

namespace convert {

// A calendar date.
struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The date of a dateYYMMDD value (YYMMDD, two-digit years 70-99 in the 1900s and 00-69 in
// the 2000s; a value of 1000000 or more is read as YYYYMMDD). Empty when it is not a date.
std::optional<CivilDate> dateOf(double yymmdd);

// Days from 1970-01-01 to the date (negative before it).
long long daysSinceEpoch(const CivilDate& date);

// Seconds of the day of an HHMMSS value; empty when it is not a time of day.
std::optional<double> secondsOfDay(double hhmmss);

// The date of a day count from 1970-01-01.
CivilDate dateFromDays(long long days);

// "seconds since YYYY-MM-DD 00:00:00".
std::string timeUnits(const CivilDate& reference);

// "YYYY-MM-DDTHH:MM:SSZ" of a time given in seconds since midnight of the reference date
// (fractions of a second dropped).
std::string isoTime(const CivilDate& reference, double seconds);

// Turns the (date, time) of successive records into seconds since midnight of the first
// record that has a valid date. A record without a valid date takes the date of the record
// before it. When the time of day runs back by more than half a day while the date stays
// the same (a day file whose date is that of its start), the day is taken to have passed
// midnight, so times keep increasing across it.
class TimeAxis {
public:
    // The time of the next record in seconds, or empty when its time is not valid.
    std::optional<double> next(double yymmdd, double hhmmss);
    // The reference date (that of the first record with a valid date), if any.
    const std::optional<CivilDate>& reference() const { return reference_; }

private:
    std::optional<CivilDate> reference_;
    long long referenceDay_ = 0;
    long long lastDay_ = 0;
    double dayOffset_ = 0.0;  // whole days added for midnights the date did not show
    std::optional<double> last_;
};

}  // namespace convert
