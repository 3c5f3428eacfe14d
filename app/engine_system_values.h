#pragma once
// $sys values that read the engine's own state; the rest come from the base.
#include "script/system_values.h"

namespace qvl {

class TFmain;

class EngineSystemValues final : public BasicSystemValues {
public:
    EngineSystemValues(TFmain& main, LocalTime localTime) : BasicSystemValues(std::move(localTime)), main_(main) {}
    int32_t systemValue(int n) override;

private:
    TFmain& main_;
};

}  // namespace qvl
