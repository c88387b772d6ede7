#pragma once

#include "service/AlertSink.h"

#include <string>
#include <vector>

namespace lindrel::test {

// Keeps every alert as "title: text", in the order they came.
class RecordingSink : public AlertSink {
public:
    void SendPopUpMsg(const std::string& MyTip, const std::string& MyMessage, int) override {
        alerts.push_back(MyTip + ": " + MyMessage);
    }
    std::vector<std::string> alerts;
};

} // namespace lindrel::test
