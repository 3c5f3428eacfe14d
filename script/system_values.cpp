#include "script/system_values.h"

#include <cstdlib>
#include <utility>

namespace qvl {

namespace {
std::tm systemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}
}  // namespace

BasicSystemValues::BasicSystemValues() : localTime_(systemLocalTime) {}

BasicSystemValues::BasicSystemValues(LocalTime localTime) : localTime_(std::move(localTime)) {}

int32_t fourDigitYear(int32_t year) {
    int32_t twoDigits = ((year % 100) + 100) % 100;
    return twoDigits < 71 ? 2000 + twoDigits : 1900 + twoDigits;
}

int32_t BasicSystemValues::systemValue(int n) {
    switch (n) {
    case 19: return 120;
    case 20: return std::rand() % 100;
    case 21: return std::rand() % 1024;
    default: break;
    }
    if (n < 22 || n > 29) return 0;
    const std::tm t = localTime_();
    switch (n) {
    case 22: return t.tm_sec;
    case 23: return t.tm_min;
    case 24: return t.tm_hour;
    case 25: return t.tm_mday;
    case 26: return t.tm_mon + 1;
    case 27: return fourDigitYear(t.tm_year + 1900);
    case 28: return t.tm_wday;
    default: return t.tm_yday;
    }
}

}  // namespace qvl
