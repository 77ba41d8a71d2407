#pragma once
// The settings store as seen by a run that talks to another port than the stored
// one (the built-in simulated logger): "ComPort" reads as that port, and the
// shutdown's save of it leaves the stored port alone. A port the operator chooses
// in the serial settings dialog is a real choice and is written through.

#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace tarvo {

class PortOverrideStore : public SettingsStore {
  public:
    // `store` outlives this object.
    PortOverrideStore(SettingsStore& store, std::string port);

    std::optional<std::string> read(std::string_view section, std::string_view key) const override;
    void write(std::string_view section, std::string_view key, std::string_view value) override;

    const std::string& port() const { return port_; }

  private:
    static bool isPortKey(std::string_view section, std::string_view key);

    SettingsStore& store_;
    std::string port_;
};

}  // namespace tarvo
