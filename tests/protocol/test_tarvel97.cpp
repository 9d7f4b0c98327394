#include "protocol/uTarvel97.h"

#include "framework/uExceptions.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

// ADR 0x31, SIG 0x02, INST 0xF3, no data.
const std::string IdentRequest = "\x2A\x61\x00\x05\x31\x02\xF3\x49\x0D"s;

// A packet of NUM = 4 with a correct SUM: it has no room for INST.
std::string EightBytePacket()
{
    std::string p = "*a\x00\x04\x31\x02"s;
    p += static_cast<char>(Tarvel97CheckSum(p));
    p += '\r';
    return p;
}

std::string ParseMessage(const std::string& text)
{
    TTarvelFormat97 rec;
    rec.Term = '\r';
    try {
        ParseTarvel97Packet(text, rec);
    } catch (const Exception& e) {
        EXPECT_EQ(rec.Term, 0);
        return e.Message();
    }
    return "no exception";
}

} // namespace

TEST(Tarvel97CheckSum, KnownValues)
{
    EXPECT_EQ(Tarvel97CheckSum(""), 0xFF);
    EXPECT_EQ(Tarvel97CheckSum("abc"), 0xD9);
    EXPECT_EQ(Tarvel97CheckSum("\x00\x00"s), 0xFF);
    EXPECT_EQ(Tarvel97CheckSum("\xFF\x01"s), 0xFF); // wraps modulo 256
}

TEST(Tarvel97CheckSum, CoversRangesLongerThan16Bits)
{
    std::string bytes(65537, '\0');
    bytes[65536] = 1; // beyond a 16-bit count
    EXPECT_EQ(Tarvel97CheckSum(bytes), 0xFE);
}

TEST(Tarvel97Build, KnownPacketAndLayout)
{
    EXPECT_EQ(BuildTarvel97Packet(0x31, 0x02, 0xF3, ""), IdentRequest);
    const std::string p = BuildTarvel97Packet(0xFE, 0x80, 0x00, "\x00\x0D*a"s);
    EXPECT_EQ(p.substr(0, 7), "*a\x00\x09\xFE\x80\x00"s);
    EXPECT_EQ(p.substr(7, 4), "\x00\x0D*a"s);
    EXPECT_EQ(p.size(), 13u);
    EXPECT_EQ(ValidateTarvel97Packet(p), 0);
}

TEST(Tarvel97Build, FromRecordIgnoresNumAndSum)
{
    TTarvelFormat97 rec;
    rec.Adr = 0x31;
    rec.Sig = 0x02;
    rec.Inst = 0xF3;
    rec.Num = 77;
    rec.Sum = 1;
    EXPECT_EQ(BuildTarvel97PacketFromRecord(rec), IdentRequest);
}

TEST(Tarvel97Build, RefusesDataThatNumCannotAnnounce)
{
    EXPECT_NO_THROW(BuildTarvel97Packet(1, 2, 3, std::string(65530, 'x')));
    try {
        BuildTarvel97Packet(1, 2, 3, std::string(65531, 'x'));
        FAIL() << "oversized data accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Incorrect PACKET (Tarvel format 97)!");
    }
}

TEST(Tarvel97Validate, ExampleParsesToItsFields)
{
    EXPECT_EQ(ValidateTarvel97Packet(IdentRequest), 0);
    TTarvelFormat97 rec;
    rec.Data = "old";
    ParseTarvel97Packet(IdentRequest, rec);
    EXPECT_EQ(rec.Prefix, '*');
    EXPECT_EQ(rec.FormatChar, 'a');
    EXPECT_EQ(rec.Num, 5);
    EXPECT_EQ(rec.Adr, 0x31);
    EXPECT_EQ(rec.Sig, 0x02);
    EXPECT_EQ(rec.Inst, 0xF3);
    EXPECT_EQ(rec.Data, "");
    EXPECT_EQ(rec.Sum, 0x49);
    EXPECT_EQ(rec.Term, '\r');
}

TEST(Tarvel97Validate, EverySingleByteCorruptionHasItsCode)
{
    const std::string good = BuildTarvel97Packet(0x31, 0x07, 0x00, "\x01\x02\x03\x00"s);
    for (size_t i = 0; i < good.size(); ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x10);
        const uint16_t expected = i == 0 ? 2 : i == 1 ? 3 : i < 4 ? 4 : i == good.size() - 1 ? 6 : 5;
        EXPECT_EQ(ValidateTarvel97Packet(bad), expected) << "byte " << i;
    }
}

TEST(Tarvel97Validate, ShortTextsAndCodeOrder)
{
    EXPECT_EQ(ValidateTarvel97Packet(""), 1);
    EXPECT_EQ(ValidateTarvel97Packet("*a\x00\x03\x01\x02\xFF"s), 1);
    EXPECT_EQ(ValidateTarvel97Packet("xxxxxxxx"), 2); // the prefix is checked before anything else
    EXPECT_EQ(ValidateTarvel97Packet(IdentRequest + "\r"), 4);
    EXPECT_EQ(ValidateTarvel97Packet(EightBytePacket()), 0);
}

TEST(Tarvel97Parse, RefusesWhatItCannotRead)
{
    const std::string message = "Incorrect PACKET (Tarvel format 97)!";
    EXPECT_EQ(ParseMessage(""), message);
    EXPECT_EQ(ParseMessage(EightBytePacket()), message);
    std::string pastEnd = IdentRequest;
    pastEnd[3] = 6; // Term would be one byte beyond the text
    EXPECT_EQ(ParseMessage(pastEnd), message);
    pastEnd[2] = '\xFF';
    EXPECT_EQ(ParseMessage(pastEnd), message);
}

TEST(Tarvel97Parse, TrustsNumWithoutCheckingSumOrTerminator)
{
    // NUM 5 inside a longer text: SUM and Term come from NUM, the rest is ignored.
    TTarvelFormat97 rec;
    ParseTarvel97Packet("*a\x00\x05\x01\x02\x03\x04XYZ"s, rec);
    EXPECT_EQ(rec.Data, "");
    EXPECT_EQ(rec.Sum, 0x04);
    EXPECT_EQ(rec.Term, 'X');
    // NUM below 5 gives empty data.
    ParseTarvel97Packet("*a\x00\x02\x01\x02\x03\x04\x05"s, rec);
    EXPECT_EQ(rec.Num, 2);
    EXPECT_EQ(rec.Data, "");
    EXPECT_EQ(rec.Sum, 0x01); // offset NUM + 2
    EXPECT_EQ(rec.Term, 0x02);
}

TEST(Tarvel97RoundTrip, LargestDataBlock)
{
    std::string data(65530, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + 3);
    const std::string packet = BuildTarvel97Packet(0x31, 0x99, 0x00, data);
    ASSERT_EQ(packet.size(), 65539u);
    EXPECT_EQ(ValidateTarvel97Packet(packet), 0);
    TTarvelFormat97 rec;
    ParseTarvel97Packet(packet, rec);
    EXPECT_EQ(rec.Num, 0xFFFF);
    EXPECT_EQ(rec.Data, data);
    EXPECT_EQ(BuildTarvel97PacketFromRecord(rec), packet);

    std::string buffer = "\x00*"s + packet + "*a";
    ASSERT_TRUE(FindTarvel97Packet(buffer, rec, true));
    EXPECT_EQ(rec.Data, data);
    EXPECT_EQ(buffer, "*a");
}

TEST(Tarvel97Extract, CutsAnnouncedLengthWithoutValidating)
{
    std::string bad = IdentRequest;
    bad[7] = 0x00; // wrong SUM
    std::string buffer = bad + "tail";
    EXPECT_EQ(ExtractTarvel97Packet(buffer, false), bad);
    EXPECT_EQ(buffer, bad + "tail");
    EXPECT_EQ(ExtractTarvel97Packet(buffer, true), bad);
    EXPECT_EQ(buffer, "tail");
}

TEST(Tarvel97Extract, NothingUnlessAWholePacketStartsTheBuffer)
{
    for (std::string buffer : {"x"s + IdentRequest, ""s, "*a\x00"s, IdentRequest.substr(0, 8), "a*"s + IdentRequest}) {
        const std::string before = buffer;
        EXPECT_EQ(ExtractTarvel97Packet(buffer, true), "");
        EXPECT_EQ(buffer, before);
    }
    std::string huge = "*a\xFF\xFF"s + std::string(100, 'z');
    EXPECT_EQ(ExtractTarvel97Packet(huge, true), "");
    EXPECT_EQ(huge.size(), 104u);
}

TEST(Tarvel97Find, TakesSuccessivePacketsAndDropsStrayBytes)
{
    const std::string a = BuildTarvel97Packet(0x31, 0x01, 0x00, "A\r");
    const std::string b = BuildTarvel97Packet(0x32, 0x02, 0x0C, "*a\x00\x09"s);
    std::string buffer = "\x00\x2A"s + a + b;
    TTarvelFormat97 rec;
    ASSERT_TRUE(FindTarvel97Packet(buffer, rec, true));
    EXPECT_EQ(rec.Sig, 0x01);
    EXPECT_EQ(rec.Data, "A\r");
    EXPECT_EQ(buffer, b);
    ASSERT_TRUE(FindTarvel97Packet(buffer, rec, true));
    EXPECT_EQ(rec.Sig, 0x02);
    EXPECT_EQ(rec.Inst, 0x0C);
    EXPECT_EQ(buffer, "");
    EXPECT_FALSE(FindTarvel97Packet(buffer, rec, true));
}

TEST(Tarvel97Find, WithoutRemoveLeavesBufferAlone)
{
    std::string buffer = "junk" + IdentRequest + "more";
    TTarvelFormat97 rec;
    ASSERT_TRUE(FindTarvel97Packet(buffer, rec, false));
    EXPECT_EQ(rec.Inst, 0xF3);
    EXPECT_EQ(buffer, "junk" + IdentRequest + "more");
}

TEST(Tarvel97Find, SkipsDamagedAndUnparsableCandidates)
{
    std::string damaged = BuildTarvel97Packet(0x31, 0x05, 0x00, "xyz");
    damaged[8] ^= 1;
    const std::string good = BuildTarvel97Packet(0x31, 0x06, 0x00, "ok");
    std::string buffer = "*a" + damaged + EightBytePacket() + good + "after";
    TTarvelFormat97 rec;
    ASSERT_TRUE(FindTarvel97Packet(buffer, rec, true));
    EXPECT_EQ(rec.Sig, 0x06);
    EXPECT_EQ(rec.Data, "ok");
    EXPECT_EQ(buffer, "after");
}

TEST(Tarvel97Find, FalseLeavesBufferUnchanged)
{
    TTarvelFormat97 rec;
    for (std::string buffer : {""s, "*"s, "*a"s, "*a\x00"s, IdentRequest.substr(0, 8), "garbage*a\xFF\xFF\x01\r"s}) {
        const std::string before = buffer;
        EXPECT_FALSE(FindTarvel97Packet(buffer, rec, true));
        EXPECT_EQ(buffer, before);
    }
}

TEST(Tarvel97Find, OverlappingCandidatesAnnouncingTheSameEnd)
{
    // Each 5-byte group is a marker whose NUM reaches the final packet's CR, padded so the
    // group adds up to 1: the candidate from group i then sums to 0xFF + (groups - i),
    // wrong for fewer than 256 groups, so only the final packet is valid.
    const size_t groups = 255;
    std::string buffer;
    for (size_t i = 0; i < groups; ++i) {
        const size_t num = 5 * (groups - i) + 5;
        const uint8_t hi = static_cast<uint8_t>(num >> 8), lo = static_cast<uint8_t>(num);
        buffer += "*a";
        buffer += static_cast<char>(hi);
        buffer += static_cast<char>(lo);
        buffer += static_cast<char>(1 - '*' - 'a' - hi - lo);
    }
    const std::string good = BuildTarvel97Packet(1, 2, 3, "");
    std::string withFinal = buffer + good;
    TTarvelFormat97 rec;
    ASSERT_TRUE(FindTarvel97Packet(withFinal, rec, true));
    EXPECT_EQ(rec.Num, 5);
    EXPECT_EQ(withFinal, "");

    // One more group makes the first candidate sum to 0xFF: it spans everything.
    std::string front = "*a";
    const size_t num = 5 * (groups + 1) + 5;
    front += static_cast<char>(num >> 8);
    front += static_cast<char>(num & 0xFF);
    front += static_cast<char>(1 - '*' - 'a' - (num >> 8) - (num & 0xFF));
    std::string spanning = front + buffer + good;
    ASSERT_TRUE(FindTarvel97Packet(spanning, rec, false));
    EXPECT_EQ(rec.Num, num);
    EXPECT_EQ(BuildTarvel97PacketFromRecord(rec), spanning);
}
