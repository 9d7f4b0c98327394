// An operator prompt of a production test run, answered in a window: the run's worker
// posts the text to the window's thread and waits for the answer in short slices,
// looking each time whether the run was stopped (then the answer is Aborted at once).
#pragma once

#include "app/station/uPostBox.h"
#include "station/uStationRun.h"

#include <QString>

#include <functional>

// Shows the text on the window's thread without waiting; `answer` is called (on that
// thread) once the operator has answered.
using TShowPrompt = std::function<void(const QString& text, std::function<void(TPromptAnswer)> answer)>;

TStationPrompt WindowPrompt(TPostBoxPtr box, TShowPrompt show);
