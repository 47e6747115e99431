#include "platform/virtual_clock.h"

#include <chrono>

namespace os {
namespace {

using namespace std::chrono;

int64_t ToEpochMs(const SYSTEMTIME& st) {
  const sys_days date = year_month_day{year{st.wYear}, month{st.wMonth}, day{st.wDay}};
  const auto t = date + hours{st.wHour} + minutes{st.wMinute} + seconds{st.wSecond} +
                 milliseconds{st.wMilliseconds};
  return duration_cast<milliseconds>(t.time_since_epoch()).count();
}

}  // namespace

VirtualClock::VirtualClock(SYSTEMTIME start) : startEpochMs_(ToEpochMs(start)) {}

SYSTEMTIME VirtualClock::DefaultStart() {
  SYSTEMTIME st{};
  st.wYear = 2026;
  st.wMonth = 1;
  st.wDay = 2;
  st.wHour = 3;
  st.wMinute = 4;
  st.wSecond = 5;
  return st;
}

SYSTEMTIME VirtualClock::Now() const {
  const milliseconds total{startEpochMs_ + static_cast<int64_t>(elapsedMs_)};
  const sys_days date = floor<days>(sys_time<milliseconds>{total});
  const year_month_day ymd{date};
  const hh_mm_ss<milliseconds> tod{total - date.time_since_epoch()};
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(static_cast<int>(ymd.year()));
  st.wMonth = static_cast<WORD>(static_cast<unsigned>(ymd.month()));
  st.wDay = static_cast<WORD>(static_cast<unsigned>(ymd.day()));
  st.wDayOfWeek = static_cast<WORD>(weekday{date}.c_encoding());
  st.wHour = static_cast<WORD>(tod.hours().count());
  st.wMinute = static_cast<WORD>(tod.minutes().count());
  st.wSecond = static_cast<WORD>(tod.seconds().count());
  st.wMilliseconds = static_cast<WORD>(tod.subseconds().count());
  return st;
}

}  // namespace os
