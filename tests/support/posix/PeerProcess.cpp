#include "support/PeerProcess.h"

#include "support/ChildProcess.h"

namespace lindrel::test {

struct PeerProcess::Impl {
    ChildProcess child;
};

PeerProcess::PeerProcess(const std::vector<std::string>& argv)
    : impl_(new Impl{ChildProcess(argv, {}, "")}) {}

PeerProcess::~PeerProcess() = default;

std::optional<std::string> PeerProcess::ReadLine(std::chrono::milliseconds limit) {
    return impl_->child.ReadLine(limit);
}

void PeerProcess::Kill() {
    impl_->child.Kill();
}

} // namespace lindrel::test
