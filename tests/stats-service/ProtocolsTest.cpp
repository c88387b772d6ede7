// The query drivers against the replies real servers gave (captured from Debian's
// cube2-server, DDNet-Server 16.4 and OpenTTD 13.0) and against the demo servers'
// answers: what they read, which replies they refuse, and how they put split replies
// together.
#include "A2sProtocol.h"
#include "Cube2Protocol.h"
#include "DemoAnswers.h"
#include "OpenttdProtocol.h"
#include "QueryDriver.h"
#include "TeeworldsProtocol.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

const std::string kCube2Request("\x01"
                                "abcdefgh",
                                9);
const std::string kCube2Reply("\x01"
                              "abcdefgh\x00\x05\x80\x04\x01\x00\x00\x08\x00\x00Lindrel ^Cube\x00",
                              33);
const std::string kDdnetReply("\xff\xff\xff\xff\xff\xff\xff\xff\xff\xffinf37\x00"
                              "0.6.4, 16.4\x00Lindrel DDNet [0/64]\x00Tutorial\x00"
                              "TestDDraceNetwor\x00"
                              "0\x00"
                              "0\x00"
                              "16\x00"
                              "0\x00"
                              "16\x00",
                              87);
const std::string kOpenttdReply("5\x00\x06\x06\x01\xff\xff\xff\xff\x00\x00$\xde\n\x00\x1f\xde\n"
                                "\x00\x0f\x00\x19Lindrel OpenTTD\x00"
                                "13.0\x00\x00\x19\x00\x00\x00\x01\x80\x00\x00\x01",
                                53);

StatusInfo DemoStatus(std::size_t players) {
    StatusInfo status{"Demo Server", "dm17", 24, {}, 0, {}};
    for (std::size_t i = 0; i < players; ++i) {
        status.players.push_back({"Player " + std::to_string(i), static_cast<int>(i) - 3, 0});
    }
    return status;
}

// Runs an exchange against the demo answers until it is done or stops asking; every
// packet the exchange sends is answered, each answer fed in the order it comes.
std::optional<StatusInfo> RunAgainstDemo(const QueryDriver& driver, const StatusInfo& status,
                                         DemoA2s& a2s) {
    Tokens tokens;
    auto exchange = driver.NewExchange(tokens);
    std::vector<std::string> outbox = exchange->Start();
    for (int round = 0; round < 10 && !outbox.empty(); ++round) {
        std::vector<std::string> next;
        for (const auto& request : outbox) {
            for (const auto& answer : DemoAnswer(driver.name(), request, status, a2s)) {
                const Step step = exchange->Feed(answer);
                if (step.kind == Step::Kind::Done) {
                    return exchange->Result();
                }
                if (step.kind == Step::Kind::Send) {
                    next.push_back(step.packet);
                }
            }
        }
        outbox = std::move(next);
    }
    return std::nullopt;
}

TEST(Protocols, ReadWhatRealServersAnswered) {
    const auto cube = ParseCube2Info(std::string_view(kCube2Reply).substr(kCube2Request.size()));
    ASSERT_TRUE(cube);
    EXPECT_EQ(cube->hostname, "Lindrel ^Cube");
    EXPECT_EQ(cube->map, "");
    EXPECT_EQ(cube->maxClients, 8);
    EXPECT_EQ(cube->online, 0);

    const auto tee = ParseTeeworldsInfo(kDdnetReply);
    ASSERT_TRUE(tee);
    EXPECT_EQ(tee->challenge, "7");
    EXPECT_EQ(tee->hostname, "Lindrel DDNet [0/64]");
    EXPECT_EQ(tee->map, "Tutorial");
    EXPECT_EQ(tee->maxClients, 16);

    const auto openttd = ParseOpenttdGameInfo(kOpenttdReply);
    ASSERT_TRUE(openttd);
    EXPECT_EQ(openttd->hostname, "Lindrel OpenTTD");
    EXPECT_EQ(openttd->map, "256x128");
    EXPECT_EQ(openttd->maxClients, 25);
    EXPECT_EQ(openttd->online, 0);
}

TEST(Protocols, EachDriverReadsServerAndPlayers) {
    const StatusInfo status = DemoStatus(5);
    for (const auto* driver : {&Q3Driver(), &A2sDriver(), &TeeworldsDriver(), &Cube2Driver()}) {
        DemoA2s a2s;
        const auto read = RunAgainstDemo(*driver, status, a2s);
        ASSERT_TRUE(read) << driver->name();
        EXPECT_EQ(read->hostname, "Demo Server") << driver->name();
        EXPECT_EQ(read->map, "dm17") << driver->name();
        EXPECT_EQ(read->maxClients, 24) << driver->name();
        ASSERT_EQ(read->players.size(), 5u) << driver->name();
        EXPECT_EQ(read->players[4].name, "Player 4") << driver->name();
        EXPECT_EQ(read->players[0].score, -3) << driver->name();
        EXPECT_EQ(OnlineCount(*read), 5) << driver->name();
    }
    // OpenTTD over TCP: the reply may arrive in pieces.
    Tokens tokens;
    auto exchange = OpenttdDriver().NewExchange(tokens);
    EXPECT_EQ(exchange->Start(), std::vector<std::string>{std::string("\x03\x00\x07", 3)});
    const std::string reply = BuildOpenttdGameInfo(status, 512, 1024);
    EXPECT_EQ(exchange->Feed(reply.substr(0, 1)).kind, Step::Kind::Wait);
    EXPECT_EQ(exchange->Feed(reply.substr(1, 20)).kind, Step::Kind::Wait);
    EXPECT_EQ(exchange->Feed(reply.substr(21)).kind, Step::Kind::Done);
    const auto read = exchange->Result();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->map, "512x1024");
    EXPECT_EQ(OnlineCount(*read), 5);
    EXPECT_TRUE(read->players.empty());
}

TEST(Protocols, RepliesWithoutTheRightTokenAreRefused) {
    const StatusInfo status = DemoStatus(2);
    for (const auto* driver : {&Q3Driver(), &TeeworldsDriver(), &Cube2Driver()}) {
        Tokens tokens;
        DemoA2s a2s;
        // The answers to another exchange's requests carry that exchange's token; the
        // Teeworlds token is one byte, so the two may match by chance and are drawn anew.
        auto exchange = driver->NewExchange(tokens);
        auto other = driver->NewExchange(tokens);
        const auto mine = exchange->Start();
        auto theirs = other->Start();
        while (theirs == mine) {
            other = driver->NewExchange(tokens);
            theirs = other->Start();
        }
        for (const auto& request : theirs) {
            for (const auto& answer : DemoAnswer(driver->name(), request, status, a2s)) {
                EXPECT_EQ(exchange->Feed(answer).kind, Step::Kind::Ignore) << driver->name();
            }
        }
        EXPECT_FALSE(exchange->Result()) << driver->name();
    }
}

TEST(Protocols, A2sAsksAgainWithTheChallengeAndJoinsSplitReplies) {
    DemoA2s a2s;
    a2s.splitBytes = 200;
    a2s.garbage = true; // junk between the parts, from the server's own port
    const auto read = RunAgainstDemo(A2sDriver(), DemoStatus(40), a2s);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->players.size(), 40u);
    EXPECT_EQ(read->players[39].name, "Player 39");

    // Parts in any order; a part repeated or of a reply nobody asked for changes nothing.
    const std::string reply = BuildA2sPlayers(DemoStatus(30).players);
    auto parts = SplitA2sReply(reply, 77, 100);
    ASSERT_GT(parts.size(), 3u);
    std::swap(parts.front(), parts.back());
    A2sAssembler assembler;
    bool taken = false;
    EXPECT_FALSE(assembler.Add(SplitA2sReply(reply, 78, 100)[1], taken));
    EXPECT_TRUE(taken);
    std::optional<std::string> joined;
    for (const auto& part : parts) {
        joined = assembler.Add(part, taken);
    }
    EXPECT_EQ(joined, reply);

    // Compressed replies (the id's top bit) and impossible part numbers are refused.
    auto compressed = SplitA2sReply(reply, 0x80000001u, 100).front();
    EXPECT_FALSE(assembler.Add(compressed, taken));
    EXPECT_FALSE(taken);
    auto impossible = parts.front();
    impossible[8] = '\x40';
    impossible[9] = '\x40';
    EXPECT_FALSE(assembler.Add(impossible, taken));
}

TEST(Protocols, ColourCodesAndControlsLeaveNames) {
    EXPECT_EQ(CleanCubeText("\f3Red\f[FF8000]Orange\f(icon.png)\fsX\fr\x01"), "RedOrangeX");
    EXPECT_EQ(CleanCubeText("end\f"), "end");
    EXPECT_EQ(CleanCubeText(std::string(300, 'a')).size(), kMaxNameBytes);
    std::string packet = BuildTeeworldsInfo(1, DemoStatus(0));
    packet += std::string("Bad\x07Name\0\0-1\0"
                          "5\0"
                          "1\0",
                          17);
    const auto tee = ParseTeeworldsInfo(packet);
    ASSERT_TRUE(tee);
    ASSERT_EQ(tee->players.size(), 1u);
    EXPECT_EQ(tee->players[0].name, "BadName");
}

TEST(Protocols, HostileRepliesStayBounded) {
    // A Cube 2 server claiming more clients than anyone has, an OpenTTD packet claiming
    // more bytes than the bound, an A2S list cut short.
    std::string cube;
    PutCubeInt(cube, 1'000'000);
    PutCubeInt(cube, 5);
    EXPECT_FALSE(ParseCube2Info(cube));
    EXPECT_FALSE(OpenttdPacketSize(std::string("\xff\xff\x06", 3)));
    std::string players = BuildA2sPlayers(DemoStatus(3).players);
    players[5] = '\xff';
    const auto cut = ParseA2sPlayers(players);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->size(), 3u);
}

} // namespace
} // namespace lindrel::stats
