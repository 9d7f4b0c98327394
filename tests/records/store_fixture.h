// Stores for the tests: a SQLite file in a temporary folder, or a new database on the
// tests' own PostgreSQL server (started once for the test program).
#pragma once

#include "records/uRecordStore.h"
#include "tests/support/postgres_server.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>

inline TPostgresServer& TestPostgres()
{
    static TPostgresServer server;
    return server;
}

// A location of the kind asked; empty Path and Url when no server could be started.
inline TRecordsLocation TestLocation(TRecordsLocation::TKind kind, const QTemporaryDir& dir, const char* name)
{
    if (kind == TRecordsLocation::SQLite) return TRecordsLocation::File(dir.filePath(name).toStdString());
    std::string error;
    const std::string url = TestPostgres().NewDatabase();
    if (url.empty()) return {};
    return *TRecordsLocation::Parse(url, error);
}

// Skips the test where no server can run, and fails it where one should but did not.
#define REQUIRE_STORE_SERVER(kind)                                                                      \
    do {                                                                                                \
        if ((kind) == TRecordsLocation::PostgreSQL) {                                                   \
            if (TPostgresServer::Impossible()) GTEST_SKIP() << "no PostgreSQL server can run here";    \
            ASSERT_EQ(TestPostgres().Problem(), "");                                                     \
        }                                                                                               \
    } while (false)
