// The recorder cuts each link's traffic into the records of a capture: packets with the
// time they completed, and bytes that formed no packet, marked so, with the time their
// first byte came.
#include "capture/uTrafficRecorder.h"
#include "protocol/uTarvel97.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TPiece {
    uint8_t Direction;
    std::string Bytes;
    int64_t Time;
    bool Dropped = false; // dropped unread by the link
};

struct TExpected {
    uint8_t Direction;
    TCaptureKind Kind;
    std::string Bytes;
    int64_t Time;
};

const std::string Request = BuildTarvel97Packet(0x31, 0x02, 0x31, "");
const std::string Answer = BuildTarvel97Packet(0x31, 0x02, 0x00, std::string("\x01\x80", 2));

std::string Damaged(std::string packet)
{
    packet[packet.size() - 2] ^= 0x01;
    return packet;
}

struct TRecorderCase {
    const char* Name;
    std::vector<TPiece> Pieces;
    std::vector<TExpected> Records; // after Finish
};

class TrafficRecorder : public testing::TestWithParam<TRecorderCase> {};

TEST_P(TrafficRecorder, RecordsPacketsAndUnframedBytesInOrder)
{
    std::vector<TCaptureRecord> records;
    TTrafficRecorder recorder([&](const TCaptureRecord& r) { records.push_back(r); });
    for (const TPiece& piece : GetParam().Pieces) {
        if (piece.Dropped)
            recorder.AddDropped(7, "link", piece.Direction, piece.Bytes, piece.Time);
        else
            recorder.Add(7, "link", piece.Direction, piece.Bytes, piece.Time);
    }
    recorder.Finish();
    const std::vector<TExpected>& expected = GetParam().Records;
    ASSERT_EQ(records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].Direction, expected[i].Direction);
        EXPECT_EQ(records[i].Kind, expected[i].Kind);
        EXPECT_EQ(records[i].Bytes, expected[i].Bytes);
        EXPECT_EQ(records[i].TimeUs, expected[i].Time);
        EXPECT_EQ(records[i].Link, 7);
        EXPECT_EQ(records[i].LinkName, "link");
    }
}

constexpr uint8_t Sent = CaptureDirectionSent;
constexpr uint8_t Received = CaptureDirectionReceived;
constexpr TCaptureKind Packet = TCaptureKind::Packet;
constexpr TCaptureKind Unframed = TCaptureKind::Unframed;

INSTANTIATE_TEST_SUITE_P(
    Cases, TrafficRecorder,
    testing::Values(
        TRecorderCase{"RequestAndAnswer",
                      {{Sent, Request, 10}, {Received, Answer, 20}},
                      {{Sent, Packet, Request, 10}, {Received, Packet, Answer, 20}}},
        // An answer in three pieces is one record, with the time of its last piece.
        TRecorderCase{"AnswerInPieces",
                      {{Sent, Request, 10}, {Received, Answer.substr(0, 3), 20}, {Received, Answer.substr(3, 5), 30},
                       {Received, Answer.substr(8), 40}},
                      {{Sent, Packet, Request, 10}, {Received, Packet, Answer, 40}}},
        // Noise is recorded as it comes (no marker: it can start no packet); noise held
        // with a marker in it until the packet behind it is timed by its first byte.
        TRecorderCase{"NoiseBeforeAnswer",
                      {{Received, "\x01\x02", 5}, {Received, "\x03*a", 7}, {Received, std::string(1, '\0'), 8},
                       {Received, Answer, 9}},
                      {{Received, Unframed, "\x01\x02", 5}, {Received, Unframed, "\x03", 7},
                       {Received, Unframed, std::string("*a\0", 3), 7}, {Received, Packet, Answer, 9}}},
        // A damaged answer does not cost the one after it.
        TRecorderCase{"DamagedThenGood",
                      {{Received, Damaged(Answer), 5}, {Received, Answer, 9}},
                      {{Received, Unframed, Damaged(Answer), 5}, {Received, Packet, Answer, 9}}},
        // The start of a packet that never completes is recorded at the end.
        TRecorderCase{"UnfinishedAtTheEnd",
                      {{Received, Answer, 5}, {Received, Answer.substr(0, 6), 9}},
                      {{Received, Packet, Answer, 5}, {Received, Unframed, Answer.substr(0, 6), 9}}},
        // Each direction is framed on its own: a request between two pieces of an answer
        // does not break it.
        TRecorderCase{"DirectionsApart",
                      {{Received, Answer.substr(0, 4), 5}, {Sent, Request, 6}, {Received, Answer.substr(4), 7}},
                      {{Sent, Packet, Request, 6}, {Received, Packet, Answer, 7}}},
        // Bytes the link dropped form no packet, a whole answer among them; the start of
        // a packet held before them does not join what comes after them.
        TRecorderCase{"DroppedBytes",
                      {{Received, Answer.substr(0, 5), 5}, {Received, Answer, 7, true}, {Received, Answer.substr(5), 8},
                       {Received, Answer, 9}},
                      {{Received, Unframed, Answer.substr(0, 5), 5}, {Received, Unframed, Answer, 7},
                       {Received, Unframed, Answer.substr(5), 8}, {Received, Packet, Answer, 9}}}),
    [](const testing::TestParamInfo<TRecorderCase>& info) { return std::string(info.param.Name); });

TEST(TrafficRecorder, LinksAreFramedApart)
{
    std::vector<TCaptureRecord> records;
    TTrafficRecorder recorder([&](const TCaptureRecord& r) { records.push_back(r); });
    recorder.Add(1, "a", Received, Answer.substr(0, 5), 1);
    recorder.Add(2, "b", Received, Answer.substr(0, 3), 2);
    recorder.Add(1, "a", Received, Answer.substr(5), 3);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].Link, 1);
    EXPECT_EQ(records[0].LinkName, "a");
    EXPECT_EQ(records[0].Bytes, Answer);
    recorder.Finish();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].Link, 2);
    EXPECT_EQ(records[1].LinkName, "b");
    EXPECT_EQ(records[1].Kind, Unframed);
    EXPECT_EQ(records[1].Bytes, Answer.substr(0, 3));
}

// Past the framer's bound, the bytes it lets go of are recorded, so nothing of the
// stream is lost from the capture.
TEST(TrafficRecorder, BytesBeyondTheBoundAreRecorded)
{
    size_t recorded = 0;
    std::vector<TCaptureRecord> records;
    TTrafficRecorder recorder([&](const TCaptureRecord& r) {
        recorded += r.Bytes.size();
        records.push_back(r);
    });
    // A marker announcing the longest packet, then more than the framer keeps.
    const std::string start("*a\xFF\xFF", 4);
    const std::string filler(TTarvelFramer::MaxBuffered + 100, 'x');
    recorder.Add(1, "", Received, start + filler, 1);
    recorder.Add(1, "", Received, Answer, 2);
    recorder.Finish();
    EXPECT_EQ(recorded, start.size() + filler.size() + Answer.size());
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().Bytes.substr(0, 4), start);
}

} // namespace
