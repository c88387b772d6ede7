#pragma once

#include "support/LoopbackHttpServer.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace lindrel::test {

// A stats service on loopback that answers from a script: a fixed reply per query, or
// for the status poll ("d=...") the next reply of a queue. Unknown queries get an empty
// body, which the program reads as "no reply".
class ScriptedService {
public:
    ScriptedService()
        : server_([this](const std::string& target) { return HttpReply::Text(Reply(target)); }) {}

    void Answer(const std::string& query, std::string reply) {
        const std::lock_guard lock(mutex_);
        fixed_[query] = std::move(reply);
    }
    void QueueStatus(std::string reply) {
        const std::lock_guard lock(mutex_);
        statusReplies_.push_back(std::move(reply));
    }
    std::string BaseUrl() const { return server_.BaseUrl(); }
    // The queries received, without the "/?" in front.
    std::vector<std::string> Queries() const {
        std::vector<std::string> queries;
        for (const auto& target : server_.Targets()) {
            queries.push_back(target.substr(2));
        }
        return queries;
    }

private:
    std::string Reply(const std::string& target) {
        const std::string query = target.substr(2);
        const std::lock_guard lock(mutex_);
        if (query.rfind("d=", 0) == 0 && !statusReplies_.empty()) {
            std::string reply = std::move(statusReplies_.front());
            statusReplies_.pop_front();
            return reply;
        }
        const auto found = fixed_.find(query);
        return found == fixed_.end() ? std::string() : found->second;
    }

    std::mutex mutex_;
    std::map<std::string, std::string> fixed_;
    std::deque<std::string> statusReplies_;
    LoopbackHttpServer server_;
};

} // namespace lindrel::test
