// The log window with the tester's format 97 tools: the decoded column beside the bytes,
// and "Uložit…" as a capture that tshark reads with the shipped dissector.
#include "app/uLogCaptureTools.h"
#include "tests/framework/gui/test_ufCILogSupport.h"
#include "tests/support/tshark.h"

#include <QDateTime>
#include <QTemporaryDir>

namespace {

class LogCaptureTest : public LogWindowTest {
protected:
    void SetUp() override
    {
        LogWindowTest::SetUp();
        Log->SetTrafficTools(&Tools);
    }

    TLogCaptureTools Tools;
};

TEST_F(LogCaptureTest, ShowsTheDecodedColumnAndSavesACapture)
{
    const int64_t before = QDateTime::currentMSecsSinceEpoch() * 1000;
    Send(Request(0x31, {}, 7));
    Receive(Answer(0x00, std::string("\x01\x80", 2), 7));
    Receive("noise\r");
    Send(Request(0x75, {}, 8));
    Receive(Answer(0x02, {}, 8));
    const int64_t after = QDateTime::currentMSecsSinceEpoch() * 1000 + 1000;
    const auto shown = Lines();
    ASSERT_EQ(shown.size(), 5u);
    const std::vector<std::string> columns = {"GetInputs", "GetInputs answer: inputs 0000000110000000", "",
                                              "GetClock", "GetClock refused (ack 2)"};
    for (size_t i = 0; i < columns.size(); ++i) {
        const std::string& text = shown[i].Text;
        EXPECT_EQ(text.substr(text.size() - columns[i].size()), columns[i]) << text;
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.pcap"));
    std::string error;
    ASSERT_TRUE(Log->SaveCapture(path, error)) << error;
    const auto rows = TsharkFields(path.toStdString(), {"frame.time_epoch", "tarvel97.direction", "tarvel97.kind",
                                                        "tarvel97.role", "tarvel97.request_in", "tarvel97.reading"});
    const std::vector<std::vector<std::string>> expected = {{"1", "0", "0", "", ""},
                                                            {"2", "0", "1", "1", "inputs 0000000110000000"},
                                                            {"2", "1", "", "", ""},
                                                            {"1", "0", "0", "", ""},
                                                            {"2", "0", "1", "4", ""}};
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(std::vector<std::string>(rows[i].begin() + 1, rows[i].end()), expected[i]) << i;
        // The window's local time, back in UTC microseconds.
        const auto time = int64_t(std::stod(rows[i][0]) * 1e6);
        EXPECT_GE(time, before - 1000) << rows[i][0];
        EXPECT_LE(time, after) << rows[i][0];
    }
}

TEST_F(LogCaptureTest, ClearForgetsThePairing)
{
    Send(Request(0x31, {}, 9));
    ASSERT_EQ(Lines().size(), 1u);
    Log->btnClearClick();
    Receive(Answer(0x00, std::string("\x01\x80", 2), 9));
    const auto shown = Lines();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].Text.find("answer (ack 0): 01 80"), std::string::npos) << shown[0].Text;
}

} // namespace
