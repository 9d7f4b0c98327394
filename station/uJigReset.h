// Leaves the jig safe whatever ends a step (its end, a failure, an error, a stop): the
// digital outputs the step switched on are switched off and the analog outputs it set go
// back to 0 when the guard is destroyed. Best effort: a stop does not hold the reset back,
// and what a lost link kept from being reset is noted in the step's detail.
#pragma once

#include "station/uStepContext.h"

#include <set>

class TJigReset {
public:
    explicit TJigReset(TStepContext& c) : FContext(c) {}
    TJigReset(const TJigReset&) = delete;
    TJigReset& operator=(const TJigReset&) = delete;
    ~TJigReset();

    // The step's requests on the jig's outputs, through the context's attempt and stop
    // rules; false when the step has ended. The output counts as driven from the request
    // on (a request without an answer may have been carried out).
    bool SwitchOutput(int output, bool on);
    bool SetAnalogOutput(int output, double value);

private:
    TStepContext& FContext;
    std::set<int> FDigital;
    std::set<int> FAnalog;
};
