// Reading one table of a test plan with every fault reported, not only the first: a
// key read is checked for its type and range, a required key that is missing is a
// fault at the table, and Finish reports every key nobody read (a typo must not be
// silently ignored). Faults carry the line and column of what they are about.
#pragma once

#include "station/uTestPlan.h"

#include <toml++/toml.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

struct TPlanFault {
    int Line = 0;
    int Column = 0;
    std::string Message;
};

class TPlanTable {
public:
    // `path` names the table in messages ("plan", "step 3", "jig.digital[2]").
    TPlanTable(const toml::table& table, std::string path, std::vector<TPlanFault>& faults);

    const toml::table& Table() const { return FTable; }
    const std::string& Path() const { return FPath; }

    std::optional<int64_t> Integer(const char* key, int64_t min, int64_t max, bool required);
    // A finite number (integer or floating point), at least `min` when given.
    std::optional<double> Number(const char* key, bool required, std::optional<double> min = {});
    std::optional<std::string> Text(const char* key, bool required);
    std::optional<bool> Flag(const char* key);
    const toml::array* Array(const char* key, bool required);
    const toml::table* SubTable(const char* key, bool required);
    // { low = X, high = Y }: at least one end, low not above high.
    std::optional<TLimits> Limits(const char* key, bool required);

    // A reader of a table inside this one, reporting to the same list.
    TPlanTable Nested(const toml::table& table, const char* key) const
    {
        return TPlanTable(table, FPath + "." + key, FFaults);
    }
    // Marks a key as read by someone else.
    void Known(const char* key) { FRead.insert(key); }
    // A fault at a node of this table, or at the table itself.
    void Fault(const toml::node& at, const std::string& message);
    void Fault(const std::string& message) { Fault(FTable, message); }
    // Reports the keys that were never read.
    void Finish();

private:
    const toml::node* Take(const char* key, bool required);
    void Expected(const toml::node& at, const char* key, const char* what);

    const toml::table& FTable;
    std::string FPath;
    std::vector<TPlanFault>& FFaults;
    std::set<std::string, std::less<>> FRead;
};

// A fault at a node outside any table reader.
void AddPlanFault(std::vector<TPlanFault>& faults, const toml::source_region& at, std::string message);
