#pragma once
// $sys[n]: 64 read-only values computed on every read. The engine's subclass
// supplies what only it knows (mouse, options, text window); the rest is here.
#include <cstdint>
#include <ctime>
#include <functional>

namespace qvl {

inline constexpr int kSystemValueCount = 64;

class SystemValues {
public:
    virtual ~SystemValues() = default;
    // n is 0..63; the evaluator never asks for anything else.
    virtual int32_t systemValue(int n) = 0;
};

// 19 is the constant 120, 20 and 21 come from the C library's generator (the
// caller seeds it), 22..29 are the local time and date read fresh each time;
// everything else reads 0 until a subclass knows better.
class BasicSystemValues : public SystemValues {
public:
    using LocalTime = std::function<std::tm()>;

    BasicSystemValues();
    // Tests and the headless runner hand in their own clock.
    explicit BasicSystemValues(LocalTime localTime);

    int32_t systemValue(int n) override;

private:
    LocalTime localTime_;
};

// Years were kept as two digits: 00..70 are 2000s, 71..99 are 1900s.
int32_t fourDigitYear(int32_t year);

}  // namespace qvl
