// The shipped Wireshark dissector read by the real tshark: every field of a request and
// its answer, a damaged checksum flagged, pairing and response time, the display filters,
// and readings that agree with the decoder of the log window and valdrix-cli.
#include "capture/uTarvelDecoder.h"
#include "protocol/uTarvel97.h"
#include "temp_capture.h"
#include "tests/support/tshark.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t Start = 1700000000000000; // microseconds

TCaptureRecord Record(int64_t offsetUs, uint8_t direction, const std::string& bytes,
                      TCaptureKind kind = TCaptureKind::Packet)
{
    return {Start + offsetUs, direction, kind, 3, "provider=TCP_CLIENT;port=10001", bytes};
}

std::string WithBadSum(std::string packet)
{
    packet[packet.size() - 2] ^= 0x40;
    return packet;
}

TEST(Dissector, ShowsEveryFieldOfARequestAndItsAnswer)
{
    TTempCapture capture;
    capture.Write({Record(0, CaptureDirectionSent, BuildTarvel97Packet(0x31, 0x02, 0x31, "")),
                   Record(1250, CaptureDirectionReceived, BuildTarvel97Packet(0x31, 0x02, 0x00, "\x01\x80"))});
    const std::vector<std::string> fields = {
        "tarvel97.link",     "tarvel97.link_name",  "tarvel97.direction",   "tarvel97.kind",
        "tarvel97.marker",   "tarvel97.length",     "tarvel97.addr",        "tarvel97.sig",
        "tarvel97.inst",     "tarvel97.ack",        "tarvel97.data",        "tarvel97.checksum",
        "tarvel97.checksum.ok", "tarvel97.end",     "tarvel97.response_in", "tarvel97.request_in",
        "tarvel97.time",     "tarvel97.answer_to",  "tarvel97.inputs",      "tarvel97.input.8",
        "tarvel97.input.9",  "tarvel97.input.1",    "tarvel97.reading"};
    const auto rows = TsharkFields(capture.Path(), fields);
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<std::string> request = {"3", "provider=TCP_CLIENT;port=10001", "1", "0", "*a", "5", "0x31",
                                              "0x02", "0x31", "", "", "0x0b", "1", "0x0d", "2", "", "", "", "",
                                              "", "", "", ""};
    const std::vector<std::string> answer = {"3", "provider=TCP_CLIENT;port=10001", "2", "0", "*a", "7", "0x31",
                                             "0x02", "", "0", "01 80", "0xb9", "1", "0x0d", "", "1",
                                             "0.001250000", "0x31", "0x0180", "1", "1", "0",
                                             "inputs 0000000110000000"};
    EXPECT_EQ(rows[0], request);
    EXPECT_EQ(rows[1], answer);
}

TEST(Dissector, FlagsADamagedChecksum)
{
    TTempCapture capture;
    capture.Write({Record(0, CaptureDirectionSent, WithBadSum(BuildTarvel97Packet(0x31, 0x07, 0x75, ""))),
                   Record(10, CaptureDirectionSent, BuildTarvel97Packet(0x31, 0x08, 0x75, ""))});
    const auto rows = TsharkFields(capture.Path(), {"frame.number", "tarvel97.checksum.ok", "_ws.expert.message"},
                                   "tarvel97.checksum.bad");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1], "0");
    EXPECT_NE(rows[0][2].find("Bad checksum"), std::string::npos) << rows[0][2];
}

// Answers come out of order and from two modules: each is paired with its own request.
TEST(Dissector, PairsByAddressAndSigWithTheResponseTime)
{
    TTempCapture capture;
    capture.Write({Record(0, CaptureDirectionUnknown, BuildTarvel97Packet(0x31, 0x05, 0x75, "")),
                   Record(100, CaptureDirectionUnknown, BuildTarvel97Packet(0x32, 0x05, 0x30, "")),
                   Record(400, CaptureDirectionUnknown, BuildTarvel97Packet(0x32, 0x05, 0x00, std::string("\x00\x01", 2))),
                   Record(900, CaptureDirectionUnknown, BuildTarvel97Packet(0x31, 0x05, 0x02, "")),
                   Record(950, CaptureDirectionUnknown, "\x01\x02\x03", TCaptureKind::Unframed)});
    const auto rows = TsharkFields(capture.Path(), {"tarvel97.role", "tarvel97.response_in", "tarvel97.request_in",
                                                    "tarvel97.time", "tarvel97.answer_to", "tarvel97.unframed"});
    const std::vector<std::vector<std::string>> expected = {{"0", "4", "", "", "", ""},
                                                            {"0", "3", "", "", "", ""},
                                                            {"1", "", "2", "0.000300000", "0x30", ""},
                                                            {"1", "", "1", "0.000900000", "0x75", ""},
                                                            {"", "", "", "", "", "01 02 03"}};
    EXPECT_EQ(rows, expected);
}

TEST(Dissector, FiltersOnInstructionAndAcknowledgeCode)
{
    TTempCapture capture;
    capture.Write({Record(0, CaptureDirectionSent, BuildTarvel97Packet(0x31, 1, 0x31, "")),
                   Record(1, CaptureDirectionReceived, BuildTarvel97Packet(0x31, 1, 0x00, std::string("\x00\x00", 2))),
                   Record(2, CaptureDirectionSent, BuildTarvel97Packet(0x31, 2, 0x30, "")),
                   Record(3, CaptureDirectionReceived, BuildTarvel97Packet(0x31, 2, 0x03, "")),
                   Record(4, CaptureDirectionSent, BuildTarvel97Packet(0x31, 3, 0x31, ""))});
    const auto column = [&](const std::string& filter) {
        std::vector<std::string> frames;
        for (const auto& row : TsharkFields(capture.Path(), {"frame.number"}, filter)) frames.push_back(row[0]);
        return frames;
    };
    EXPECT_EQ(column("tarvel97.inst == 0x31"), (std::vector<std::string>{"1", "5"}));
    EXPECT_EQ(column("tarvel97.ack != 0"), (std::vector<std::string>{"4"}));
    EXPECT_EQ(column("tarvel97.refused"), (std::vector<std::string>{"4"}));
}

// The dissector and the decoder of the log window and valdrix-cli read the same packets
// alike: the names of every instruction, and the readings of the main ones.
TEST(Dissector, AgreesWithTheDecoder)
{
    struct TExchange {
        uint8_t Inst;
        std::string Request;
        std::string Answer;
    };
    const std::vector<TExchange> exchanges = {
        {0x31, "", std::string("\x5A\xC3", 2)},
        {0x30, "", std::string("\x02\x01", 2)},
        {0x60, std::string("\x00", 1), std::string("\x10", 1) + std::string(32, '\x01')},
        {0x59, "", std::string("\x01\x80\x00\xD7\x02\x00\xFF\x38\x03\x80\xFF\xD3\x04\x80\x01\x6E", 16)},
        {0x51, "", std::string("\x01\x80\x13\x88\x02\x00\x09\xC4", 8)},
        {0x5F, "", std::string("\x04\x80\x9C\x40", 4)},
        {0x43, "", std::string("\x01\x00\x01\x02\xFF\xFF\x03\x00\x00\x04\x10\x00", 12)},
        {0x1B, "", std::string("\x01\x00\x02\x01\x03\x06\x04\x00", 8)},
        {0x75, "", std::string("\x65\xE1\x8C\x35", 4)},
        {0x74, std::string("\x65\xE1\x8C\x35", 4), ""},
        {0x20, std::string("\x81\x02\x03\x04\x05\x06\x07\x08\x09\x0A", 10), ""},
        {0x23, std::string("\x05\x83", 2), ""},
        {0x42, std::string("\x02\x03\xE8", 3), ""},
        {0x1A, std::string("\x02\x06", 2), ""},
        {0x12, std::string("\x01\x33\x33", 3), ""},
        {0xF3, "", "Valdrix ; v 1.0 ; SIM"},
        {0x4E, std::string("\x02\x00", 2), ""},
        {0x6A, std::string("\x90", 1), ""},
        {0x64, std::string("\x03\x00\x00\x01\x00", 5), ""},
        {0x64, std::string("\x00\x00\x00\x00\x07\x00\x00\x00\x08", 9), ""},
        {0x5B, std::string("\x02\x05\x06", 3), ""},
        {0x5C, std::string("\x01", 1), std::string("\x01\x05\x06", 3)},
        {0x59, std::string("\x02", 1), std::string("\x02\x80\x00\x64", 4)},
        {0xE0, std::string("\x32\x0A", 2), ""},
        {0xE1, std::string("\x7F", 1), ""},
        {0xEB, std::string("\x32\x00\x01\x30\x39", 5), ""},
        {0xEE, std::string("\x01", 1), ""},
        {0xF0, "", std::string("\x31\x07", 2)},
        {0xF1, "", std::string("\x2C", 1)},
        {0xFA, "", std::string("\x00\x01\x30\x39\x00\xBC\x61\x4E", 8)},
        {0xFE, "", std::string("\x00", 1)},
    };
    std::vector<TCaptureRecord> records;
    std::vector<std::string> expected;
    uint8_t sig = 0;
    for (const TExchange& e : exchanges) {
        ++sig;
        records.push_back(Record(sig * 10, CaptureDirectionSent, BuildTarvel97Packet(0x31, sig, e.Inst, e.Request)));
        records.push_back(Record(sig * 10 + 5, CaptureDirectionReceived, BuildTarvel97Packet(0x31, sig, 0, e.Answer)));
        expected.push_back(e.Request.empty() ? "" : Tarvel97RequestReading(e.Inst, e.Request));
        expected.push_back(e.Answer.empty() ? "" : Tarvel97AnswerReading(e.Inst, e.Answer));
    }
    // Every code, as a request: the dissector names it as the decoder does.
    for (int code = 0x10; code <= 0xFF; ++code)
        records.push_back(Record(10000 + code, CaptureDirectionSent, BuildTarvel97Packet(0x40, uint8_t(code), uint8_t(code), "")));
    TTempCapture capture;
    capture.Write(records);
    const auto rows = TsharkFields(capture.Path(), {"tarvel97.reading", "_ws.col.Info"});
    ASSERT_EQ(rows.size(), records.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(rows[i][0], expected[i]) << "frame " << i + 1;
    for (int code = 0x10; code <= 0xFF; ++code) {
        const std::string& info = rows[expected.size() + size_t(code - 0x10)][1];
        EXPECT_EQ(info.substr(0, info.find(' ')), Tarvel97InstructionLabel(uint8_t(code))) << code;
    }
}

} // namespace
