#include "core/dates.h"

#include "core/exceptions.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

#ifdef _WIN32
#include <sys/timeb.h>
#else
#include <chrono>
#endif

namespace quendel {

namespace {

constexpr std::int64_t SecsPerDay = 86400;
// Day numbers (days since 1970-01-01) of the two epochs.
constexpr std::int64_t DateDelta = -25569;         // 1899-12-30
constexpr std::int64_t FileTimeEpochDay = -134774; // 1601-01-01
constexpr std::int64_t FileTimeEpochMSec = FileTimeEpochDay * SecsPerDay * 1000;
constexpr std::int64_t TicksPerMSec = 10000;
// Day numbers (relative to 1899-12-30) of the first and last supported day.
constexpr std::int64_t MinDay = -693593; // 0001-01-01
constexpr std::int64_t MaxDay = 2958465; // 9999-12-31

std::int64_t FloorDiv(std::int64_t A, std::int64_t B) {
  std::int64_t Q = A / B;
  return (A % B != 0 && (A < 0) != (B < 0)) ? Q - 1 : Q;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's
// algorithms, exact for every year of the supported range).
std::int64_t DaysFromCivil(std::int64_t Y, int M, int D) {
  Y -= M <= 2;
  const std::int64_t Era = FloorDiv(Y, 400);
  const std::int64_t YearOfEra = Y - Era * 400;
  const std::int64_t DayOfYear = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const std::int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

void CivilFromDays(std::int64_t Days, int& Year, int& Month, int& Day) {
  Days += 719468;
  const std::int64_t Era = FloorDiv(Days, 146097);
  const std::int64_t DayOfEra = Days - Era * 146097;
  const std::int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const std::int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const std::int64_t MP = (5 * DayOfYear + 2) / 153;
  Day = static_cast<int>(DayOfYear - (153 * MP + 2) / 5 + 1);
  Month = static_cast<int>(MP < 10 ? MP + 3 : MP - 9);
  Year = static_cast<int>(YearOfEra + Era * 400 + (Month <= 2));
}

[[noreturn]] void RaiseInvalid(const std::string& What) {
  Raise<EConvertError>(What);
}

std::string DateText(int Year, int Month, int Day) {
  return std::to_string(Year) + "-" + std::to_string(Month) + "-" + std::to_string(Day);
}

// A TDateTime split into its day number (days since 1899-12-30) and the milliseconds
// of its time of day.
struct TStamp {
  std::int64_t Day;
  std::int64_t MSec;
};

TDateTime FromStamp(TStamp S) {
  const double Fraction = static_cast<double>(S.MSec) / MSecsPerDay;
  return static_cast<double>(S.Day) + (S.Day >= 0 ? Fraction : -Fraction);
}

TStamp ToStamp(TDateTime DateTime) {
  // The bound keeps the conversion to an integer defined; the exact range is checked below.
  if (!std::isfinite(DateTime) || std::fabs(DateTime) > 1e7)
    RaiseInvalid("Invalid date and time value");
  // The integer part is the day whatever the sign; the magnitude of the fraction is
  // the time of day. Rounding to the millisecond may carry into the following day,
  // which is one day later in time for negative days as well (-1.99999999999 is
  // 29 December 1899 24:00, that is 30 December 00:00).
  TStamp S{static_cast<std::int64_t>(DateTime), 0};
  S.MSec = std::llround(std::fabs(DateTime - static_cast<double>(S.Day)) * MSecsPerDay);
  if (S.MSec >= MSecsPerDay) {
    S.MSec -= MSecsPerDay;
    ++S.Day;
  }
  if (S.Day < MinDay || S.Day > MaxDay) RaiseInvalid("Date and time value out of range");
  return S;
}

// Milliseconds since 1970-01-01 00:00 (of the same clock, local or UTC) and back.
std::int64_t StampToUnixMSec(TStamp S) {
  return (S.Day + DateDelta) * SecsPerDay * 1000 + S.MSec;
}

TStamp UnixMSecToStamp(std::int64_t MSec) {
  TStamp S{FloorDiv(MSec, MSecsPerDay) - DateDelta, 0};
  S.MSec = MSec - FloorDiv(MSec, MSecsPerDay) * MSecsPerDay;
  if (S.Day < MinDay || S.Day > MaxDay) RaiseInvalid("Date and time value out of range");
  return S;
}

// The C library's local time of a UTC second count; false when it cannot tell.
bool LocalTimeOf(std::int64_t UtcSeconds, std::tm& Local) {
  if (UtcSeconds < std::numeric_limits<std::time_t>::min() ||
      UtcSeconds > std::numeric_limits<std::time_t>::max())
    return false;
  const std::time_t T = static_cast<std::time_t>(UtcSeconds);
#ifdef _WIN32
  // The Windows C library has no localtime_r; its localtime uses a per-thread buffer.
  const std::tm* Result = std::localtime(&T);
  if (!Result) return false;
  Local = *Result;
  return true;
#else
  return localtime_r(&T, &Local) != nullptr;
#endif
}

// The same moment of the same day in a year of 1971..2036 whose calendar matches
// (same weekday on 1 January, same leap rule), so that rules such as "the last Sunday
// of March" fall on the same day. Any 28 consecutive years hold all 14 calendars.
std::int64_t SameCalendarMoment(std::int64_t UtcSeconds) {
  const std::int64_t Days = FloorDiv(UtcSeconds, SecsPerDay);
  const std::int64_t SecondOfDay = UtcSeconds - Days * SecsPerDay;
  int Year, Month, Day;
  CivilFromDays(Days, Year, Month, Day);
  const auto Weekday = [](int Y) { return (DaysFromCivil(Y, 1, 1) % 7 + 7 + 4) % 7; };
  for (int Y = 1971; Y <= 2036; ++Y)
    if (IsLeapYear(Y) == IsLeapYear(Year) && Weekday(Y) == Weekday(Year))
      return DaysFromCivil(Y, Month, Day) * SecsPerDay + SecondOfDay;
  return UtcSeconds;
}

// Seconds to add to a UTC time to get the local time at that moment.
std::int64_t LocalOffsetSeconds(std::int64_t UtcSeconds) {
  std::tm Local{};
  std::int64_t Probe = UtcSeconds;
  if (!LocalTimeOf(Probe, Local)) {
    // The Windows C library (32-bit time_t on i686) knows only 1970 to 2038; it has
    // no history of the zone either, so the same date in a year of the same calendar
    // gets the rules it would apply.
    Probe = SameCalendarMoment(UtcSeconds);
    if (!LocalTimeOf(Probe, Local)) return 0;
  }
  const std::int64_t LocalSeconds =
      DaysFromCivil(Local.tm_year + 1900LL, Local.tm_mon + 1, Local.tm_mday) * SecsPerDay +
      Local.tm_hour * 3600 + Local.tm_min * 60 + Local.tm_sec;
  return LocalSeconds - Probe;
}

std::int64_t FileTimeToUnixMSec(std::uint64_t FileTime) {
  return static_cast<std::int64_t>(FileTime / TicksPerMSec) + FileTimeEpochMSec;
}

std::uint64_t UnixMSecToFileTime(std::int64_t MSec) {
  if (MSec < FileTimeEpochMSec) RaiseInvalid("Date and time value before 1601 as a file time");
  return static_cast<std::uint64_t>(MSec - FileTimeEpochMSec) * TicksPerMSec;
}

TDateTime UtcUnixMSecToDateTime(std::int64_t UtcMSec) {
  const std::int64_t Offset = LocalOffsetSeconds(FloorDiv(UtcMSec, 1000));
  return FromStamp(UnixMSecToStamp(UtcMSec + Offset * 1000));
}

} // namespace

bool IsLeapYear(int Year) {
  return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInMonth(int Year, int Month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool IsValidDate(int Year, int Month, int Day) {
  return Year >= 1 && Year <= 9999 && Day >= 1 && Day <= DaysInMonth(Year, Month);
}

bool IsValidTime(int Hour, int Min, int Sec, int MSec) {
  return Hour >= 0 && Hour < 24 && Min >= 0 && Min < 60 && Sec >= 0 && Sec < 60 && MSec >= 0 &&
         MSec < 1000;
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
  if (!IsValidDate(Year, Month, Day)) return false;
  Result = static_cast<double>(DaysFromCivil(Year, Month, Day) - DateDelta);
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
  if (!IsValidTime(Hour, Min, Sec, MSec)) return false;
  Result = FromStamp({0, ((Hour * 60LL + Min) * 60 + Sec) * 1000 + MSec});
  return true;
}

bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec,
                       TDateTime& Result) {
  TDateTime Date, Time;
  if (!TryEncodeDate(Year, Month, Day, Date) || !TryEncodeTime(Hour, Min, Sec, MSec, Time))
    return false;
  Result = Date >= 0 ? Date + Time : Date - Time;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime Result;
  if (!TryEncodeDate(Year, Month, Day, Result))
    RaiseInvalid("Invalid date: " + DateText(Year, Month, Day));
  return Result;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime Result;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, Result))
    RaiseInvalid("Invalid time: " + std::to_string(Hour) + ":" + std::to_string(Min) + ":" +
                 std::to_string(Sec) + "." + std::to_string(MSec));
  return Result;
}

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec) {
  const TDateTime Date = EncodeDate(Year, Month, Day);
  const TDateTime Time = EncodeTime(Hour, Min, Sec, MSec);
  return Date >= 0 ? Date + Time : Date - Time;
}

void DecodeDate(TDateTime DateTime, int& Year, int& Month, int& Day) {
  CivilFromDays(ToStamp(DateTime).Day + DateDelta, Year, Month, Day);
}

void DecodeTime(TDateTime DateTime, int& Hour, int& Min, int& Sec, int& MSec) {
  const std::int64_t T = ToStamp(DateTime).MSec;
  Hour = static_cast<int>(T / 3600000);
  Min = static_cast<int>(T / 60000 % 60);
  Sec = static_cast<int>(T / 1000 % 60);
  MSec = static_cast<int>(T % 1000);
}

void DecodeDateTime(TDateTime DateTime, int& Year, int& Month, int& Day, int& Hour, int& Min,
                    int& Sec, int& MSec) {
  DecodeDate(DateTime, Year, Month, Day);
  DecodeTime(DateTime, Hour, Min, Sec, MSec);
}

TDateTime FileTimeToDateTime(std::uint64_t FileTime) {
  return UtcUnixMSecToDateTime(FileTimeToUnixMSec(FileTime));
}

std::uint64_t DateTimeToFileTime(TDateTime DateTime) {
  const std::int64_t LocalMSec = StampToUnixMSec(ToStamp(DateTime));
  const std::int64_t LocalSeconds = FloorDiv(LocalMSec, 1000);
  // Find U with U + offset(U) = local. Two steps settle it: the first guess uses the
  // offset at the wrong instant by at most the size of a clock change, the second
  // one the offset in force just before or after that change.
  const std::int64_t Guess = LocalSeconds - LocalOffsetSeconds(LocalSeconds);
  const std::int64_t Offset = LocalOffsetSeconds(Guess);
  return UnixMSecToFileTime(LocalMSec - Offset * 1000);
}

TDateTime LocalFileTimeToDateTime(std::uint64_t LocalFileTime) {
  return FromStamp(UnixMSecToStamp(FileTimeToUnixMSec(LocalFileTime)));
}

std::uint64_t DateTimeToLocalFileTime(TDateTime DateTime) {
  return UnixMSecToFileTime(StampToUnixMSec(ToStamp(DateTime)));
}

TDateTime DosDateTimeToDateTime(std::uint32_t DosDateTime) {
  const std::uint32_t Date = DosDateTime >> 16, Time = DosDateTime & 0xFFFF;
  const int Year = 1980 + static_cast<int>(Date >> 9), Month = static_cast<int>(Date >> 5 & 15),
            Day = static_cast<int>(Date & 31);
  const int Hour = static_cast<int>(Time >> 11), Min = static_cast<int>(Time >> 5 & 63),
            Sec = static_cast<int>(Time & 31) * 2;
  TDateTime Result;
  if (!TryEncodeDateTime(Year, Month, Day, Hour, Min, Sec, 0, Result))
    RaiseInvalid("Invalid DOS date and time stamp: " + DateText(Year, Month, Day) + " " +
                 std::to_string(Hour) + ":" + std::to_string(Min) + ":" + std::to_string(Sec));
  return Result;
}

std::uint32_t DateTimeToDosDateTime(TDateTime DateTime) {
  int Year, Month, Day, Hour, Min, Sec, MSec;
  DecodeDateTime(DateTime, Year, Month, Day, Hour, Min, Sec, MSec);
  if (Year < 1980 || Year > 2107)
    RaiseInvalid("Date outside the range of a DOS date stamp: " + DateText(Year, Month, Day));
  const auto Date = static_cast<std::uint32_t>((Year - 1980) << 9 | Month << 5 | Day);
  const auto Time = static_cast<std::uint32_t>(Hour << 11 | Min << 5 | Sec / 2);
  return Date << 16 | Time;
}

TDateTime Now() {
#ifdef _WIN32
  // The C library's clock: the C++ library's system_clock would bring the
  // thread library's clock along.
  __timeb64 Time{};
  _ftime64(&Time);
  return UtcUnixMSecToDateTime(static_cast<std::int64_t>(Time.time) * 1000 + Time.millitm);
#else
  using namespace std::chrono;
  return UtcUnixMSecToDateTime(
      duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
#endif
}

} // namespace quendel
