// A status reply of any text: slots no usable line names keep their state, and at most
// two alerts come, "Player Found" before "Server Down".
#include "base/Text.h"
#include "core/AppState.h"
#include "service/AlertSink.h"
#include "service/StatusPoll.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

class Alerts : public lindrel::AlertSink {
public:
    void SendPopUpMsg(const std::string& MyTip, const std::string&, int) override {
        tips.push_back(MyTip);
    }
    std::vector<std::string> tips;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    lindrel::AppState state("/nonexistent");
    const char* ids[] = {"7", "4", "8", "6", "9"};
    for (int slot = 0; slot < lindrel::kSlotCount; ++slot) {
        state.ServerData(slot, lindrel::StatsID) = ids[slot];
        state.ServerData(slot, lindrel::DownNotify) = slot % 2 == 0 ? "1" : "0";
        state.ServerStatus[static_cast<std::size_t>(slot)].MapName = "before";
        state.FindMark[static_cast<std::size_t>(slot)] = 1234;
    }
    std::set<std::string, std::less<>> named;
    for (const auto line : lindrel::Split(lindrel::TrimSpaces(input), '\n')) {
        const auto fields = lindrel::Split(line, '|');
        if (fields.size() >= 10) {
            named.insert(std::string(fields[0]));
        }
    }
    Alerts alerts;
    lindrel::ApplyStatusReply(state, input, alerts);
    for (int slot = 0; slot < lindrel::kSlotCount; ++slot) {
        const auto& status = state.ServerStatus[static_cast<std::size_t>(slot)];
        if (!named.contains(ids[slot]) &&
            (status.MapName != "before" || status.DownAlerted != "0" ||
             state.FindMark[static_cast<std::size_t>(slot)] != 1234)) {
            std::abort();
        }
    }
    if (alerts.tips.size() > 2 || (alerts.tips.size() == 2 && alerts.tips[0] != "Player Found")) {
        std::abort();
    }
    return 0;
}
