// Requests and answers paired by address and SIG, told apart by direction or, for a
// passive listener, by pairing; and the short readings of the main instructions.
#include "capture/uCaptureRecord.h"
#include "capture/uTarvelDecoder.h"
#include "capture/uTarvelPairing.h"
#include "protocol/uTarvel97.h"

#include <gtest/gtest.h>

namespace {

std::string ByteString(std::initializer_list<int> values)
{
    std::string out;
    for (const int v : values) out.push_back(char(v));
    return out;
}

struct TStep {
    uint8_t Direction;
    uint8_t Adr;
    uint8_t Sig;
    uint8_t Code;
    int64_t Time;
    // What the reading must say.
    bool Answer;
    bool Paired;
    int64_t ResponseUs;
    const char* Text;
};

struct TPairingCase {
    const char* Name;
    std::vector<TStep> Steps;
};

class Pairing : public testing::TestWithParam<TPairingCase> {};

TEST_P(Pairing, TellsRequestsFromAnswers)
{
    TTarvelPairing pairing;
    for (const TStep& step : GetParam().Steps) {
        SCOPED_TRACE(step.Text);
        const TPacketReading r =
            pairing.Read(BuildTarvel97Packet(step.Adr, step.Sig, step.Code, ""), step.Direction, step.Time);
        EXPECT_EQ(r.Answer, step.Answer);
        EXPECT_EQ(r.Paired, step.Paired);
        EXPECT_EQ(r.ResponseUs, step.ResponseUs);
        EXPECT_EQ(r.Text(), step.Text);
    }
}

constexpr uint8_t Listener = CaptureDirectionUnknown;
constexpr uint8_t Outgoing = CaptureDirectionSent;
constexpr uint8_t Incoming = CaptureDirectionReceived;

INSTANTIATE_TEST_SUITE_P(
    Cases, Pairing,
    testing::Values(
        TPairingCase{"KnownDirections",
                     {{Outgoing, 0x31, 1, 0x31, 100, false, false, -1, "GetInputs"},
                      {Incoming, 0x31, 1, 0x00, 1350, true, true, 1250, "GetInputs answer"}}},
        // Interleaved requests to two modules are paired by address, not by order.
        TPairingCase{"ByAddress",
                     {{Listener, 0x31, 5, 0x75, 0, false, false, -1, "GetClock"},
                      {Listener, 0x32, 5, 0x31, 10, false, false, -1, "GetInputs"},
                      {Listener, 0x32, 5, 0x00, 30, true, true, 20, "GetInputs answer"},
                      {Listener, 0x31, 5, 0x02, 40, true, true, 40, "GetClock refused (ack 2)"}}},
        // A request that reuses the SIG of one still waiting is a request, never its answer.
        TPairingCase{"SigReused",
                     {{Listener, 0x31, 9, 0xF3, 0, false, false, -1, "ReadIdentification"},
                      {Listener, 0x31, 9, 0x30, 50, false, false, -1, "GetOutputs"},
                      {Listener, 0x31, 9, 0x00, 60, true, true, 10, "GetOutputs answer"}}},
        // A request to the wildcard address is answered from the module's own address.
        TPairingCase{"Wildcard",
                     {{Outgoing, 0xFE, 3, 0xF3, 0, false, false, -1, "ReadIdentification"},
                      {Incoming, 0x31, 3, 0x00, 7, true, true, 7, "ReadIdentification answer"}}},
        // An answer is taken once: a second copy has no request left.
        TPairingCase{"AnswerTwice",
                     {{Outgoing, 0x31, 4, 0x31, 0, false, false, -1, "GetInputs"},
                      {Incoming, 0x31, 4, 0x00, 5, true, true, 5, "GetInputs answer"},
                      {Incoming, 0x31, 4, 0x00, 6, true, false, -1, "answer (ack 0)"}}},
        // Acknowledge codes without a waiting request: on a passive line they are taken
        // as requests of an unknown instruction; codes 0x0C..0x0F are messages.
        TPairingCase{"Unpaired",
                     {{Listener, 0x31, 6, 0x00, 0, false, false, -1, "0x00"},
                      {Listener, 0x31, 7, 0x0D, 0, false, false, -1, "message 0x0D"},
                      {Incoming, 0x31, 8, 0x0C, 0, false, false, -1, "message 0x0C"}}}),
    [](const testing::TestParamInfo<TPairingCase>& info) { return std::string(info.param.Name); });

struct TReadingCase {
    uint8_t Inst;
    bool Answer;
    std::string Data;
    const char* Reading;
};

class Readings : public testing::TestWithParam<TReadingCase> {};

TEST_P(Readings, ReadTheDataOfTheMainInstructions)
{
    const TReadingCase& c = GetParam();
    EXPECT_EQ(c.Answer ? Tarvel97AnswerReading(c.Inst, c.Data) : Tarvel97RequestReading(c.Inst, c.Data), c.Reading);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Readings,
    testing::Values(
        // Inputs 8 and 9 on; outputs 1 and 10 on (the last byte holds channels 1..8).
        TReadingCase{0x31, true, ByteString({0x01, 0x80}), "inputs 0000000110000000"},
        TReadingCase{0x30, true, ByteString({0x02, 0x01}), "outputs 1000000001"},
        TReadingCase{0x31, true, ByteString({0x01, 0x80, 0x00}), "01 80 00"},
        TReadingCase{0x60, true, ByteString({24, 0, 0, 5}), "counter 5"},
        TReadingCase{0x60, true, ByteString({12, 0, 5}), "0C 00 05"},
        TReadingCase{0x59, true, ByteString({1, 0x80, 0x00, 0xD7, 2, 0x00, 0xFF, 0x38}),
                     "1: 21.5 °C  2: -20.0 °C invalid (status 0x00)"},
        TReadingCase{0x59, true, ByteString({5, 0x80, 0x00, 0xD7}), "05 80 00 D7"},
        TReadingCase{0x51, true, ByteString({3, 0x80, 0x13, 0x88}), "3: 5000"},
        TReadingCase{0x5F, true, ByteString({4, 0x00, 0x00, 0x00}), "4: 0 invalid (status 0x00)"},
        TReadingCase{0x75, true, ByteString({0x65, 0xE1, 0x8C, 0x35}), "2024-03-01 08:05:09"},
        TReadingCase{0x1B, true, ByteString({1, 0, 2, 1, 3, 6, 4, 3}), "1: 0-10 V  2: 0-20 mA  3: 4-20 mA  4: code 3"},
        TReadingCase{0x43, true, ByteString({1, 0xFF, 0xFF, 2, 0, 1, 3, 0, 2, 4, 0, 3}), "1: -1  2: 1  3: 2  4: 3"},
        TReadingCase{0xF3, true, "Valdrix ; v 1.0", "\"Valdrix ; v 1.0\""},
        TReadingCase{0xF0, true, ByteString({0x31, 10}), "address 0x31, 115200 Bd"},
        TReadingCase{0x20, false, ByteString({0x83}), "output 3 on"},
        TReadingCase{0x23, false, ByteString({5, 0x03}), "output 3 off for 5"},
        TReadingCase{0x60, false, ByteString({0x80}), "all counters (option)"},
        TReadingCase{0x74, false, ByteString({0, 0, 0, 1}), "1970-01-01 00:00:01"},
        TReadingCase{0x42, false, ByteString({2, 0x03, 0xE8}), "2: 1000"},
        TReadingCase{0x4E, false, ByteString({2, 1}), "channel 2 high point"},
        TReadingCase{0x6A, false, ByteString({0xD0}), "channel 16 flags A=1 B=1"},
        TReadingCase{0x31, false, "", ""}));

} // namespace
