// The tables of a record store, as upgrade steps: step N brings a store from version N
// to N + 1 (version 0: no tables). Both SQLite and PostgreSQL run the same statements.
#pragma once

#include <vector>

using TSchemaStep = std::vector<const char*>;

const std::vector<TSchemaStep>& RecordSchemaSteps();
