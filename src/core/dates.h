// Dates and times.
//
// A TDateTime counts days since 30 December 1899 00:00 in local time; the fraction
// is the time of day. Before that day the value is negative and the fraction's sign
// follows the integer part: -1.25 is 29 December 1899 06:00 (day -1, a quarter day),
// not 28 December 18:00. The supported range is 1 January 0001 to 31 December 9999.
//
// Encoding and decoding come in pairs: the Try forms return false on bad input, the
// plain forms raise EConvertError. Conversions raise EConvertError when a value has
// no counterpart on the other side (a date before 1601 as a file time, a date outside
// 1980..2107 as a DOS stamp, an impossible DOS stamp, a value outside the range).
#pragma once

#include <cstdint>

namespace quendel {

using TDateTime = double;

constexpr int MSecsPerDay = 24 * 60 * 60 * 1000;
// 1 January 0001 and the last millisecond of 31 December 9999.
constexpr TDateTime MinDateTime = -693593.0;
constexpr TDateTime MaxDateTime = 2958465.0 + (MSecsPerDay - 1) / static_cast<double>(MSecsPerDay);

bool IsLeapYear(int Year);
// 28 to 31; 0 for a month outside 1..12.
int DaysInMonth(int Year, int Month);
bool IsValidDate(int Year, int Month, int Day);
bool IsValidTime(int Hour, int Min, int Sec, int MSec);

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec,
                       TDateTime& Result);
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec);

// Values are rounded to the nearest millisecond first, so 0.99999999999 is the next
// midnight. A value that is not finite or lies outside the range raises.
void DecodeDate(TDateTime DateTime, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime DateTime, int& Hour, int& Min, int& Sec, int& MSec);
void DecodeDateTime(TDateTime DateTime, int& Year, int& Month, int& Day, int& Hour, int& Min,
                    int& Sec, int& MSec);

// File times count 100-nanosecond intervals since 1 January 1601 00:00 UTC. The
// conversion uses the local zone's offset at that very moment (summer dates with the
// summer offset, winter dates with the winter one), unlike a plain shift by today's
// offset. A local time that a clock change skips (02:30 on a spring-forward night)
// is read as if the clock had not been put forward (it becomes 03:30 local); a local
// time that occurs twice in autumn is taken in standard time, its later occurrence.
// Precision is one millisecond; the rest of a file time is dropped.
TDateTime FileTimeToDateTime(std::uint64_t FileTime);
std::uint64_t DateTimeToFileTime(TDateTime DateTime);
// The same for file times already in local time: no zone shift.
TDateTime LocalFileTimeToDateTime(std::uint64_t LocalFileTime);
std::uint64_t DateTimeToLocalFileTime(TDateTime DateTime);

// DOS stamps: the date in the high word (bits 15-9 year - 1980, 8-5 month, 4-0 day),
// the time in the low word (15-11 hour, 10-5 minute, 4-0 seconds / 2). Their
// resolution is two seconds: an odd second and any milliseconds are dropped (rounded
// down), as the file system does when it stores a DOS stamp.
TDateTime DosDateTimeToDateTime(std::uint32_t DosDateTime);
std::uint32_t DateTimeToDosDateTime(TDateTime DateTime);

// The current local date and time.
TDateTime Now();

} // namespace quendel
