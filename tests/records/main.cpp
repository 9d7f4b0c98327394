// The store's tests, and a writer they kill: "--write-records FILE" stores runs into the
// SQLite file one after another and prints the id of each as soon as it is committed.
#include "records/uRecordStore.h"
#include "tests/records/record_samples.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

int WriteRecords(const char* path)
{
    TRecordStore store;
    std::string error;
    if (!store.Open(TRecordsLocation::File(path), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    for (int n = 0;; ++n) {
        TSampleRun run;
        run.Id = std::to_string(getpid()) + "-" + std::to_string(n);
        run.Analog = n % 7 ? "PASS" : "FAIL";
        if (!store.Add(SampleRecord(run), error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::printf("%s\n", run.Id.c_str());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-records") == 0) return WriteRecords(argv[2]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
