// A device call made by a user action is attempted at most twice: when the first
// attempt fails, the same call is made once more at once and its result counts.
#pragma once

template <class Call>
bool AttemptTwice(Call&& call)
{
    return call() || call();
}
