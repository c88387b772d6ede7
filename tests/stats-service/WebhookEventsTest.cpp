// The events a clan admin asks for beyond down, back and joins: wanted players who left,
// and a server with free slots again; through a real HTTP receiver on loopback
// (webhook_receiver.py) and the demo game servers (8 slots each).
#include "WebhookReceiver.h"

#include <gtest/gtest.h>

namespace lindrel::stats {
namespace {

TEST(WebhookEvents, WantedPlayersWhoLeftAreOneMessageAndAServerGoingDownIsNotALeave) {
    Receiver receiver;
    WebhookEntry hook = Hook(receiver.Url("/ok"), {"sarge", "anarki"});
    hook.format = WebhookFormat::Discord;
    hook.down = hook.back = hook.player = false;
    hook.playerLeft = true;
    test::RunningService service(WithHooks({hook}), 1);
    service.SetPlayers(0, {"Anarki", "Sarge", "Visor"});
    ASSERT_TRUE(service.WaitRefreshes(3));

    service.SetPlayers(0, {"Visor"});
    const auto left = receiver.Next();
    ASSERT_TRUE(left);
    EXPECT_NE(left->body.find("\"content\":\"Anarki and Sarge left "), std::string::npos)
        << left->body;
    EXPECT_FALSE(receiver.Next(1s)) << "one message for the refresh";

    service.SetPlayers(0, {});
    EXPECT_FALSE(receiver.Next(1s)) << "Visor is not wanted";
    service.SetPlayers(0, {"Sarge"});
    EXPECT_FALSE(receiver.Next(1s)) << "a join is another event";
    service.SetAnswering(0, false);
    EXPECT_FALSE(receiver.Next(2s)) << "a server that went down is told as down, if at all";
}

TEST(WebhookEvents, FreeSlotsAreToldWhenTheyReachTheNumberAndAgainOnlyAfterThreeRefreshesBelow) {
    Receiver receiver;
    WebhookEntry hook = Hook(receiver.Url("/ok"));
    hook.down = hook.back = hook.player = false;
    hook.slotsFree = true;
    hook.minFreeSlots = 3;
    hook.templates[static_cast<std::size_t>(EventKind::SlotsFree)] = "Room on {name}: {free}/{max}";
    test::RunningService service(WithHooks({hook}), 1);
    const auto players = [&](std::size_t count) {
        service.SetPlayers(0, std::vector<std::string>(count, "Visor"));
        ASSERT_TRUE(service.WaitRefreshes(2));
    };
    players(7);
    ASSERT_TRUE(service.WaitRefreshes(2));

    players(5); // 3 of 8 free
    const auto free = receiver.Next();
    ASSERT_TRUE(free);
    EXPECT_NE(free->body.find("\"event\":\"slots_free\""), std::string::npos) << free->body;
    EXPECT_NE(free->body.find("\"free_slots\":3,\"min_free_slots\":3"), std::string::npos)
        << free->body;
    EXPECT_NE(free->body.find("\"message\":\"Room on Demo 0: 3/8\""), std::string::npos)
        << "the admin's wording: " << free->body;
    for (const std::size_t count : {6u, 5u, 7u, 4u}) {
        players(count); // a refresh or two below it: flapping
    }
    EXPECT_FALSE(receiver.Next(500ms)) << "flapping around the number is no news";

    // A down server has no free slots: down for three refreshes, it is told again when
    // it comes back with room.
    service.SetAnswering(0, false);
    ASSERT_TRUE(service.WaitRefreshes(ServerEvents::kRearmAfterRefreshes + 2));
    service.SetPlayers(0, {"Visor"});
    service.SetAnswering(0, true);
    const auto again = receiver.Next(3s);
    ASSERT_TRUE(again) << "below for three refreshes, then free again";
    EXPECT_NE(again->body.find("\"free_slots\":7"), std::string::npos) << again->body;
}

} // namespace
} // namespace lindrel::stats
