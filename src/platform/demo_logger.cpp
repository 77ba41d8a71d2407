#include "platform/demo_logger.h"

#include "sim/pty_server.h"
#include "sim/sim_config.h"

namespace tarvo {

DemoLogger::DemoLogger() = default;

DemoLogger::~DemoLogger() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::optional<std::string> DemoLogger::start(std::string& error) {
    if (server_) return server_->slavePath();
    auto server = std::make_unique<PtyServer>(demoLine(), lineOf(demoConfig()));
    if (!server->open(error)) return std::nullopt;
    server_ = std::move(server);
    thread_ = std::thread([this] {
        std::string ignored;
        server_->run(stop_, ignored);
    });
    return server_->slavePath();
}

}  // namespace tarvo
