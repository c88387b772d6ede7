#pragma once

#include <string>

namespace lindrel {

// Where the status poll raises its alerts; the status window is the real one.
class AlertSink {
public:
    virtual ~AlertSink() = default;
    // MyIcon: 1 for a found player, 3 for a server going down or coming back.
    virtual void SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage,
                              int MyIcon) = 0;
};

} // namespace lindrel
