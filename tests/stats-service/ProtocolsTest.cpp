// The query drivers against the replies real servers gave (captured from Debian's
// cube2-server, redeclipse-server 1.6, DDNet-Server 16.4, teeworlds-server 0.7.5 and
// OpenTTD 13.0) and against the demo servers'
// answers: what they read, which replies they refuse, and how they put split replies
// together.
#include "DemoExchange.h"
#include "base/Json.h"
#include "demo/DemoAnswers.h"
#include "protocols/A2sProtocol.h"
#include "protocols/BedrockProtocol.h"
#include "protocols/Cube2Protocol.h"
#include "protocols/MinecraftProtocol.h"
#include "protocols/MumbleProtocol.h"
#include "protocols/OpenttdProtocol.h"
#include "protocols/QueryDriver.h"
#include "protocols/TeeworldsProtocol.h"

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
// Red Eclipse with 6 player and 2 spectator slots: 15 attributes, the limit fifth.
const std::string
    kRedEclipseReply("\x00\x0f\x80\xe6\x00\x02\x00\x80X\x02\x08\x00\x80\x86\x13\x00"
                     "\x01\x06\x00\x02@\x00\x00pumpstation\x00Lindrel Eclipse\x00\x00",
                     52);
// Teeworlds 0.7.5 after the token handshake: our token 12345678, the server's 4f8e9270.
const std::string kTeeworlds7Reply("\x21\x12\x34\x56\x78\x4f\x8e\x92\x70\xff\xff\xff\xffinf3"
                                   "\x05"
                                   "0.7.5\x00Lindrel Tee 0.7\x00\x00"
                                   "dm1\x00"
                                   "DM\x00\x00\x01\x00\x08\x00\x0c",
                                   54);
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

    const auto redEclipse = ParseCube2Info(kRedEclipseReply);
    ASSERT_TRUE(redEclipse);
    EXPECT_EQ(redEclipse->hostname, "Lindrel Eclipse");
    EXPECT_EQ(redEclipse->map, "pumpstation");
    EXPECT_EQ(redEclipse->maxClients, 8) << "not the 600 seconds left";

    const auto tee7 = ParseTeeworlds7Info(kTeeworlds7Reply);
    ASSERT_TRUE(tee7);
    EXPECT_EQ(tee7->challenge, "\x12\x34\x56\x78"
                               "5");
    EXPECT_EQ(tee7->hostname, "Lindrel Tee 0.7");
    EXPECT_EQ(tee7->map, "dm1");
    EXPECT_EQ(tee7->maxClients, 12);
    EXPECT_EQ(OnlineCount(*tee7), 0);

    const auto openttd = ParseOpenttdGameInfo(kOpenttdReply);
    ASSERT_TRUE(openttd);
    EXPECT_EQ(openttd->hostname, "Lindrel OpenTTD");
    EXPECT_EQ(openttd->map, "256x128");
    EXPECT_EQ(openttd->maxClients, 25);
    EXPECT_EQ(openttd->online, 0);
}

TEST(Protocols, OpenttdReplyMayArriveInPieces) {
    Tokens tokens;
    auto exchange = OpenttdDriver().NewExchange(tokens);
    EXPECT_EQ(exchange->Start(), std::vector<std::string>{std::string("\x03\x00\x07", 3)});
    const std::string reply = BuildOpenttdGameInfo(DemoStatus(5), 512, 1024);
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
    for (const auto* driver :
         {&Q3Driver(), &TeeworldsDriver(), &Cube2Driver(), &MumbleDriver(), &BedrockDriver()}) {
        Tokens tokens;
        DemoA2s a2s;
        // The answers to another exchange's requests carry that exchange's token; the
        // Teeworlds token is one byte, so the two may match by chance and are drawn anew.
        auto exchange = driver->NewExchange(tokens);
        auto other = driver->NewExchange(tokens);
        const auto mine = exchange->Start();
        auto theirs = other->Start();
        while (theirs.front() == mine.front()) {
            other = driver->NewExchange(tokens);
            theirs = other->Start();
        }
        for (const auto& request : theirs) {
            for (const auto& answer : FindDemoProtocol(*driver)->answer(request, status, a2s)) {
                EXPECT_EQ(exchange->Feed(answer).kind, Step::Kind::Ignore) << driver->name();
            }
        }
        EXPECT_FALSE(exchange->Result()) << driver->name();
    }
}

TEST(Protocols, MinecraftStatusIsReadFromItsJsonWhateverItsPieces) {
    // As a vanilla server writes it: components, colour codes, an icon, extra keys.
    const std::string json =
        R"({"version":{"name":"§a1.20.1","protocol":763},"favicon":"data:image/png;base64,)" +
        std::string(12000, 'A') +
        R"(","players":{"max":20,"online":3,"sample":[{"name":"Alex","id":"0"},)"
        R"({"name":"\u00c9mile","id":"1"},{"id":"2"}]},"description":{"text":"","extra":[)"
        R"({"text":"§6Lindrel ","bold":true},{"text":"Craft\nline two","extra":["!"]}]},)"
        R"("enforcesSecureChat":true})";
    const auto read = ParseMinecraftStatus(json);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->hostname, "Lindrel Craft line two!");
    EXPECT_EQ(read->map, "1.20.1");
    EXPECT_EQ(read->online, 3);
    EXPECT_EQ(read->maxClients, 20);
    ASSERT_EQ(read->players.size(), 2u);
    EXPECT_EQ(read->players[1].name, "\xc3\x89mile");
    EXPECT_EQ(
        ParseMinecraftStatus(R"({"description":"Plain §kmotd","players":{"max":5,"online":0}})")
            ->hostname,
        "Plain motd");

    // Over TCP, in pieces, the packet's length read first.
    Tokens tokens;
    auto exchange = MinecraftDriver().NewExchange(tokens);
    ASSERT_EQ(exchange->Start().size(), 1u);
    EXPECT_TRUE(exchange->Start()[0].ends_with(std::string("\x01\x01\x00", 3)));
    const std::string reply = BuildMinecraftStatusPacket(DemoStatus(4));
    EXPECT_EQ(exchange->Feed(reply.substr(0, 1)).kind, Step::Kind::Wait);
    EXPECT_EQ(exchange->Feed(reply.substr(1, 30)).kind, Step::Kind::Wait);
    ASSERT_EQ(exchange->Feed(reply.substr(31)).kind, Step::Kind::Done);
    const auto demo = exchange->Result();
    ASSERT_TRUE(demo);
    EXPECT_EQ(demo->hostname, "Demo Server");
    ASSERT_EQ(demo->players.size(), 4u);

    // A length past the bound, or a VarInt of six bytes, ends it at once.
    for (const std::string& hostile :
         {std::string("\xff\xff\xff\x7f"), std::string("\x80\x80\x80\x80\x80\x01")}) {
        auto other = MinecraftDriver().NewExchange(tokens);
        EXPECT_EQ(other->Feed(hostile).kind, Step::Kind::Ignore);
    }
}

TEST(Protocols, JsonIsReadWithinItsBounds) {
    const auto value = ParseJson(R"( {"a":[1,-2.5e1,true,null,"x\"\u00e9\ud83c\udfae"],"b":{}} )");
    ASSERT_TRUE(value);
    const JsonValue* list = value->Find("a");
    ASSERT_TRUE(list != nullptr && list->items.size() == 5u);
    EXPECT_EQ(list->items[1].number, -25);
    EXPECT_EQ(list->items[4].text, "x\"\xc3\xa9\xf0\x9f\x8e\xae");
    for (const std::string& bad :
         {std::string("{\"a\":1,}"), std::string("[1 2]"), std::string("\"open"),
          std::string("{\"a\":nul}"), std::string("[1]x"), std::string("\"\x01\""),
          std::string(18, '[') + std::string(18, ']')}) {
        EXPECT_FALSE(ParseJson(bad)) << bad;
    }
    std::string many = "[";
    for (int i = 0; i < 2000; ++i) {
        many += "0,";
    }
    EXPECT_FALSE(ParseJson(many + "0]")) << "more values than the bound";
    EXPECT_EQ(ParseJson(R"("\ud800")")->text, "\xef\xbf\xbd") << "a lone surrogate";
}

TEST(Protocols, MumbleAndBedrockReadWhatRealServersSend) {
    // mumble-server 1.3.4 with users=42, our ident 12345678 as bytes.
    const std::string pong("\x00\x01\x03\x04"
                           "12345678\x00\x00\x00\x02\x00\x00\x00*\x00\x01\x19@",
                           24);
    const auto mumble = ParseMumblePong(pong);
    ASSERT_TRUE(mumble);
    EXPECT_EQ(mumble->map, "Mumble 1.3.4");
    EXPECT_EQ(mumble->online, 2);
    EXPECT_EQ(mumble->maxClients, 42);
    EXPECT_FALSE(ParseMumblePong(pong.substr(0, 23)));

    // bedrock-protocol's server (its JavaScript RakNet) answering our ping with time 77:
    // motd "§bClan §rRealm", world "Bedrock level", 0 of 10 players.
    const std::string bedrockPong(
        "\x1c\x00\x00\x00\x00\x00\x00\x00M\x04"
        "d:\xa4\xa0\x5c\x86!\x00\xff\xff\x00\xfe\xfe\xfe\xfe\xfd\xfd\xfd\xfd\x12"
        "4Vx\x00"
        "bMCPE;\xc2\xa7"
        "bClan \xc2\xa7rRealm;2169;1.26.45;0;10;316442352562243105;Bedrock level;Creative;1;"
        "39123;39123;0;",
        133);
    const auto bedrock = ParseBedrockPong(bedrockPong);
    ASSERT_TRUE(bedrock);
    EXPECT_EQ(bedrock->challenge, "77");
    EXPECT_EQ(bedrock->hostname, "Clan Realm");
    EXPECT_EQ(bedrock->map, "Bedrock level");
    EXPECT_EQ(bedrock->online, 0);
    EXPECT_EQ(bedrock->maxClients, 10);
    std::string lying = bedrockPong;
    lying[34] = static_cast<char>(lying[34] + 1); // a length past the packet
    EXPECT_FALSE(ParseBedrockPong(lying));
    std::string noMagic = bedrockPong;
    noMagic[20] = 'x';
    EXPECT_FALSE(ParseBedrockPong(noMagic));
}

TEST(Protocols, Teeworlds07IsAskedWithTheServersTokenBeside06) {
    Tokens tokens;
    auto exchange = TeeworldsDriver().NewExchange(tokens);
    const auto start = exchange->Start();
    ASSERT_EQ(start.size(), 2u);
    EXPECT_TRUE(start[0].ends_with("gie3") || start[0].find("gie3") == 10) << "0.6's request";
    const std::string& tokenRequest = start[1];
    ASSERT_EQ(tokenRequest.size(), 519u) << "0.7 wants token requests padded";
    const std::string ours = tokenRequest.substr(8, 4);
    EXPECT_NE(ours, std::string(4, '\xff'));
    const std::string theirs("\x4f\x8e\x92\x70", 4);

    // A token answer addressed to another client, then ours.
    EXPECT_EQ(exchange->Feed(BuildTeeworlds7Token("abcd", theirs)).kind, Step::Kind::Ignore);
    const Step ask = exchange->Feed(BuildTeeworlds7Token(ours, theirs));
    ASSERT_EQ(ask.kind, Step::Kind::Send);
    EXPECT_EQ(ask.packet.substr(0, 9), "\x21" + theirs + ours);
    EXPECT_EQ(ask.packet.substr(9, 8), "\xff\xff\xff\xffgie3");
    EXPECT_EQ(exchange->Feed(BuildTeeworlds7Token(ours, theirs)).kind, Step::Kind::Ignore)
        << "asked once";

    // The info token comes back packed; a reply with another one, or to another client,
    // is not ours.
    const auto infoToken = [&](const std::string& request) {
        std::string reply = request;
        reply.replace(1, 8, ours + theirs);
        reply.replace(13, 4, "inf3");
        return ParseTeeworlds7Info(reply + std::string("0.7.5\0n\0\0m\0DM\0\0\0\0\0\0\0", 20));
    };
    const auto echoed = infoToken(ask.packet);
    ASSERT_TRUE(echoed);
    const std::string number = echoed->challenge.substr(4);
    StatusInfo status = DemoStatus(3);
    status.players[0].score = -700;
    const auto token = static_cast<std::uint32_t>(std::stoul(number));
    EXPECT_EQ(exchange->Feed(BuildTeeworlds7Info(ours, theirs, token + 1, status)).kind,
              Step::Kind::Ignore);
    EXPECT_EQ(exchange->Feed(BuildTeeworlds7Info("abcd", theirs, token, status)).kind,
              Step::Kind::Ignore);
    ASSERT_EQ(exchange->Feed(BuildTeeworlds7Info(ours, theirs, token, status)).kind,
              Step::Kind::Done);
    const auto read = exchange->Result();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->hostname, "Demo Server");
    EXPECT_EQ(read->map, "dm17");
    EXPECT_EQ(read->maxClients, 24);
    ASSERT_EQ(read->players.size(), 3u);
    EXPECT_EQ(read->players[2].name, "Player 2");
    EXPECT_EQ(read->players[0].score, -700);
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
