#include "core/dates.h"

#include "core/exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace quendel {
namespace {

constexpr double OneMSec = 1.0 / MSecsPerDay;

struct TParts {
  int Year, Month, Day, Hour, Min, Sec, MSec;
  bool operator==(const TParts&) const = default;
};

TParts Decoded(TDateTime DateTime) {
  TParts P{};
  DecodeDateTime(DateTime, P.Year, P.Month, P.Day, P.Hour, P.Min, P.Sec, P.MSec);
  return P;
}

std::ostream& operator<<(std::ostream& Out, const TParts& P) {
  return Out << P.Year << "-" << P.Month << "-" << P.Day << " " << P.Hour << ":" << P.Min << ":"
             << P.Sec << "." << P.MSec;
}

// A file time written as the UTC calendar date it stands for.
std::uint64_t UtcFileTime(int Year, int Month, int Day, int Hour, int Min, int Sec = 0) {
  return DateTimeToLocalFileTime(EncodeDateTime(Year, Month, Day, Hour, Min, Sec, 0));
}

TEST(Dates, Encode_KnownDaysAndLeapYears) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), MinDateTime);
  EXPECT_EQ(EncodeDate(9999, 12, 31), std::floor(MaxDateTime));
  EXPECT_EQ(EncodeDate(2000, 3, 1) - EncodeDate(2000, 2, 28), 2.0);
  EXPECT_EQ(EncodeDate(1900, 3, 1) - EncodeDate(1900, 2, 28), 1.0);
  EXPECT_EQ(EncodeDate(2024, 1, 1) - EncodeDate(2023, 12, 31), 1.0);
  EXPECT_EQ(EncodeTime(18, 0, 0, 0), 0.75);
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_TRUE(IsValidDate(1600, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2100, 2, 29));
}

TEST(Dates, Encode_RejectsImpossibleDatesAndTimes) {
  TDateTime Result = 42;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, Result));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, Result));
  EXPECT_FALSE(TryEncodeDate(0, 12, 31, Result));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, Result));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, Result));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, Result));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, -1, Result));
  EXPECT_EQ(Result, 42); // untouched on failure
  EXPECT_THROW(EncodeDate(2023, 4, 31), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeDateTime(2023, 1, 1, 12, 0, 0, 1000), EConvertError);
}

TEST(Dates, Decode_NegativeValuesKeepTheTimeOfDayAsMagnitude) {
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  EXPECT_EQ(Decoded(-1.25), (TParts{1899, 12, 29, 6, 0, 0, 0}));
  EXPECT_EQ(Decoded(-0.25), (TParts{1899, 12, 30, 6, 0, 0, 0})); // day 0 either side
  EXPECT_EQ(Decoded(0.75), (TParts{1899, 12, 30, 18, 0, 0, 0}));
  EXPECT_EQ(Decoded(EncodeDateTime(1066, 10, 14, 9, 30, 15, 500)),
            (TParts{1066, 10, 14, 9, 30, 15, 500}));
  // Rounding to the millisecond carries into the day that follows in time.
  EXPECT_EQ(Decoded(1 - OneMSec / 4), (TParts{1899, 12, 31, 0, 0, 0, 0}));
  EXPECT_EQ(Decoded(-2 + OneMSec / 4), (TParts{1899, 12, 30, 0, 0, 0, 0}));
  EXPECT_EQ(Decoded(-0.5 - OneMSec), (TParts{1899, 12, 30, 12, 0, 0, 1}));
}

TEST(Dates, Decode_EveryDayAcrossCenturiesRoundTrips) {
  // Days from 1600 to 2200: each decodes to the next calendar day after its predecessor.
  int Y, M, D;
  DecodeDate(EncodeDate(1600, 1, 1) - 1, Y, M, D);
  EXPECT_EQ(Y * 10000 + M * 100 + D, 15991231);
  for (double Day = EncodeDate(1600, 1, 1); Day <= EncodeDate(2200, 12, 31); ++Day) {
    int PY = Y, PM = M, PD = D;
    DecodeDate(Day + 0.5 * (Day < 0 ? -1 : 1), Y, M, D);
    bool NextDay = (Y == PY && M == PM && D == PD + 1) ||
                   (Y == PY && M == PM + 1 && D == 1 && PD == DaysInMonth(PY, PM)) ||
                   (Y == PY + 1 && M == 1 && D == 1 && PM == 12 && PD == 31);
    ASSERT_TRUE(NextDay) << Day << ": " << Y << "-" << M << "-" << D;
    ASSERT_EQ(EncodeDate(Y, M, D), Day);
  }
}

TEST(Dates, Decode_RejectsValuesOutsideTheRange) {
  int Y, M, D;
  EXPECT_NO_THROW(DecodeDate(MaxDateTime, Y, M, D));
  EXPECT_EQ(Y, 9999);
  for (double Bad : {MaxDateTime + 1, MinDateTime - 1, 1e300, std::nan(""),
                     std::numeric_limits<double>::infinity()})
    EXPECT_THROW(DecodeDate(Bad, Y, M, D), EConvertError) << Bad;
}

TEST(Dates, Dos_BoundsOfTheStamp) {
  EXPECT_EQ(DosDateTimeToDateTime(0x00210000), EncodeDate(1980, 1, 1));
  EXPECT_EQ(DateTimeToDosDateTime(EncodeDate(1980, 1, 1)), 0x00210000u);
  const TDateTime Last = EncodeDateTime(2107, 12, 31, 23, 59, 58, 0);
  EXPECT_EQ(DosDateTimeToDateTime(0xFF9FBF7D), Last);
  EXPECT_EQ(DateTimeToDosDateTime(Last), 0xFF9FBF7Du);
  EXPECT_THROW(DateTimeToDosDateTime(EncodeDateTime(1979, 12, 31, 23, 59, 59, 999)), EConvertError);
  EXPECT_THROW(DateTimeToDosDateTime(EncodeDate(2108, 1, 1)), EConvertError);
}

TEST(Dates, Dos_OddSecondsAndMillisecondsRoundDown) {
  const std::uint32_t Stamp = DateTimeToDosDateTime(EncodeDateTime(2004, 2, 29, 12, 34, 57, 999));
  EXPECT_EQ(DosDateTimeToDateTime(Stamp), EncodeDateTime(2004, 2, 29, 12, 34, 56, 0));
  // Stays on its day: 23:59:59.999 does not become the next day.
  EXPECT_EQ(
      DosDateTimeToDateTime(DateTimeToDosDateTime(EncodeDateTime(1999, 12, 31, 23, 59, 59, 999))),
      EncodeDateTime(1999, 12, 31, 23, 59, 58, 0));
}

TEST(Dates, Dos_ImpossibleStampsRaise) {
  const auto Stamp = [](int Year, int Month, int Day, int Hour, int Min, int Sec2) {
    return static_cast<std::uint32_t>(((Year - 1980) << 9 | Month << 5 | Day) << 16 |
                                      (Hour << 11 | Min << 5 | Sec2));
  };
  EXPECT_THROW(DosDateTimeToDateTime(0), EConvertError); // month and day 0
  EXPECT_THROW(DosDateTimeToDateTime(Stamp(2001, 2, 29, 0, 0, 0)), EConvertError);
  EXPECT_THROW(DosDateTimeToDateTime(Stamp(2001, 13, 1, 0, 0, 0)), EConvertError);
  EXPECT_THROW(DosDateTimeToDateTime(Stamp(2001, 1, 1, 24, 0, 0)), EConvertError);
  EXPECT_THROW(DosDateTimeToDateTime(Stamp(2001, 1, 1, 0, 60, 0)), EConvertError);
  EXPECT_THROW(DosDateTimeToDateTime(Stamp(2001, 1, 1, 0, 0, 30)), EConvertError); // 60 s
  EXPECT_EQ(DosDateTimeToDateTime(Stamp(2000, 2, 29, 0, 0, 29)),
            EncodeDateTime(2000, 2, 29, 0, 0, 58, 0));
}

TEST(Dates, LocalFileTime_EpochsAndRoundTrip) {
  EXPECT_EQ(LocalFileTimeToDateTime(0), EncodeDate(1601, 1, 1));
  EXPECT_EQ(LocalFileTimeToDateTime(116444736000000000ull), EncodeDate(1970, 1, 1));
  EXPECT_EQ(DateTimeToLocalFileTime(EncodeDate(1601, 1, 1)), 0u);
  EXPECT_THROW(DateTimeToLocalFileTime(EncodeDateTime(1600, 12, 31, 23, 59, 59, 999)),
               EConvertError);
  // Far beyond 9999.
  EXPECT_THROW(LocalFileTimeToDateTime(std::numeric_limits<std::uint64_t>::max()), EConvertError);
  for (TDateTime Value : {EncodeDateTime(1850, 6, 15, 18, 30, 1, 2), -1.5, 0.5,
                          EncodeDateTime(2038, 1, 19, 3, 14, 8, 999), MaxDateTime}) {
    EXPECT_EQ(LocalFileTimeToDateTime(DateTimeToLocalFileTime(Value)), Value) << Decoded(Value);
  }
  // Below a millisecond is dropped.
  EXPECT_EQ(DateTimeToLocalFileTime(LocalFileTimeToDateTime(116444736000009999ull)),
            116444736000000000ull);
}

TEST(Dates, FileTime_RoundTripsInTheCurrentZone) {
  for (std::uint64_t FileTime : {UtcFileTime(1850, 1, 15, 12, 0), UtcFileTime(1969, 7, 20, 20, 17),
                                 UtcFileTime(2001, 1, 15, 12, 0, 2), UtcFileTime(2021, 7, 1, 12, 0),
                                 UtcFileTime(2500, 7, 1, 12, 0)}) {
    const TDateTime Local = FileTimeToDateTime(FileTime);
    EXPECT_EQ(DateTimeToFileTime(Local), FileTime) << Decoded(Local);
    // The zone's offset: whole minutes, at most 14 hours.
    const double OffsetMinutes = (Local - LocalFileTimeToDateTime(FileTime)) * 24 * 60;
    EXPECT_NEAR(OffsetMinutes, std::round(OffsetMinutes), 1e-6);
    EXPECT_LE(std::fabs(OffsetMinutes), 14 * 60);
  }
  const auto NowFileTime =
      static_cast<std::uint64_t>(std::time(nullptr)) * 10000000 + 116444736000000000ull;
  EXPECT_NEAR(Now(), FileTimeToDateTime(NowFileTime), 5.0 / 86400);
}

// Zone rules come from TZ, set for one test and restored afterwards. The Windows C
// library reads only "CET-1CEST"-style zones and applies United States dates to the
// daylight-saving part; glibc reads full rule strings.
class DatesInZone : public testing::Test {
protected:
  void SetUp() override {
    if (const char* Old = std::getenv("TZ")) OldZone = Old;
  }
  void TearDown() override { SetZone(OldZone ? OldZone->c_str() : nullptr); }

  static void SetZone(const char* Zone) {
#ifdef _WIN32
    _putenv(("TZ=" + std::string(Zone ? Zone : "")).c_str());
    _tzset();
#else
    if (Zone)
      setenv("TZ", Zone, 1);
    else
      unsetenv("TZ");
    tzset();
#endif
  }
  std::optional<std::string> OldZone;
};

// Central European time: +1 in winter, +2 in summer.
class DatesInCentralEurope : public DatesInZone {
protected:
  void SetUp() override {
    DatesInZone::SetUp();
#ifdef _WIN32
    SetZone("CET-1CEST");
    // Wine's C library keeps the daylight-saving dates of the first zone it used, so
    // the zone only takes when this test runs in a process of its own (as ctest runs it).
    if (Decoded(FileTimeToDateTime(UtcFileTime(2021, 7, 15, 12, 0))).Hour != 14)
      GTEST_SKIP() << "the C library did not take the zone set in TZ";
#else
    SetZone("CET-1CEST,M3.5.0,M10.5.0/3");
#endif
  }
};

// Zones with their exact daylight-saving rules, which the Windows C library cannot take.
class DatesWithZoneRules : public DatesInZone {
protected:
  void SetUp() override {
    DatesInZone::SetUp();
#ifdef _WIN32
    GTEST_SKIP() << "the Windows C library reads no daylight-saving rules from TZ";
#endif
  }
  static constexpr const char* Berlin = "CET-1CEST,M3.5.0,M10.5.0/3";
  static constexpr const char* NewYork = "EST5EDT,M3.2.0,M11.1.0";
};

TEST_F(DatesInCentralEurope, FileTime_WinterAndSummerOffsetsInEveryCentury) {
  std::vector<int> Years{1971, 2021, 2037, 2038, 2100, 2500, 9999};
#ifdef _WIN32
  // glibc gives recorded history before 1970 (none for a bare rule string); the
  // Windows C library has none and is given the year of the same calendar.
  Years.insert(Years.end(), {1601, 1850, 1899, 1900, 1960});
#endif
  for (int Year : Years) {
    EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(Year, 1, 15, 12, 0))),
              (TParts{Year, 1, 15, 13, 0, 0, 0}));
    EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(Year, 7, 15, 12, 0))),
              (TParts{Year, 7, 15, 14, 0, 0, 0}));
    EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(Year, 7, 15, 14, 0, 0, 0)),
              UtcFileTime(Year, 7, 15, 12, 0))
        << Year;
  }
}

TEST_F(DatesWithZoneRules, FileTime_EachDateUsesItsOwnOffset) {
  SetZone(Berlin);
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(2021, 7, 1, 12, 0))),
            (TParts{2021, 7, 1, 14, 0, 0, 0}));
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(2021, 1, 15, 12, 0))),
            (TParts{2021, 1, 15, 13, 0, 0, 0}));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 7, 1, 14, 0, 0, 0)),
            UtcFileTime(2021, 7, 1, 12, 0));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 1, 15, 13, 0, 0, 0)),
            UtcFileTime(2021, 1, 15, 12, 0));
  // Before 1970, and before 1899 where the day number is negative.
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(1960, 1, 15, 23, 30))),
            (TParts{1960, 1, 16, 0, 30, 0, 0}));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(1850, 1, 1, 0, 30, 0, 0)),
            UtcFileTime(1849, 12, 31, 23, 30));

  SetZone(NewYork);
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(2021, 7, 1, 2, 0))),
            (TParts{2021, 6, 30, 22, 0, 0, 0}));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 12, 31, 20, 0, 0, 0)),
            UtcFileTime(2022, 1, 1, 1, 0));
}

TEST_F(DatesWithZoneRules, FileTime_ClockChangeNights) {
  SetZone(Berlin);
  // 28 March 2021: 02:00 local becomes 03:00 (01:00 UTC).
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 3, 28, 1, 59, 0, 0)),
            UtcFileTime(2021, 3, 28, 0, 59));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 3, 28, 3, 0, 0, 0)),
            UtcFileTime(2021, 3, 28, 1, 0));
  // 02:30 never happens: read with the offset before the change.
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 3, 28, 2, 30, 0, 0)),
            UtcFileTime(2021, 3, 28, 1, 30));
  // 31 October 2021: 03:00 local goes back to 02:00 (01:00 UTC); 02:30 happens twice.
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(2021, 10, 31, 0, 30))),
            (TParts{2021, 10, 31, 2, 30, 0, 0}));
  EXPECT_EQ(Decoded(FileTimeToDateTime(UtcFileTime(2021, 10, 31, 1, 30))),
            (TParts{2021, 10, 31, 2, 30, 0, 0}));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 10, 31, 2, 30, 0, 0)),
            UtcFileTime(2021, 10, 31, 1, 30));
  EXPECT_EQ(DateTimeToFileTime(EncodeDateTime(2021, 10, 31, 1, 59, 0, 0)),
            UtcFileTime(2021, 10, 30, 23, 59));
}

} // namespace
} // namespace quendel
