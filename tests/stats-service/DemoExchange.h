#pragma once

#include "demo/DemoAnswers.h"
#include "protocols/QueryDriver.h"

#include <optional>
#include <string>
#include <vector>

namespace lindrel::stats {

// Runs an exchange against the driver's demo answers until it is done or stops asking;
// every packet the exchange sends is answered, each answer fed in the order it comes.
inline std::optional<StatusInfo> RunAgainstDemo(const QueryDriver& driver, const StatusInfo& status,
                                                DemoA2s& a2s) {
    const DemoProtocol* demo = FindDemoProtocol(driver);
    if (demo == nullptr) {
        return std::nullopt;
    }
    Tokens tokens;
    auto exchange = driver.NewExchange(tokens);
    std::vector<std::string> outbox = exchange->Start();
    for (int round = 0; round < 10 && !outbox.empty(); ++round) {
        std::vector<std::string> next;
        for (const auto& request : outbox) {
            for (const auto& answer : demo->answer(request, status, a2s)) {
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

} // namespace lindrel::stats
