#pragma once
// The per-user settings store of the workstation: an INI file kept by QSettings
// (user scope, organisation and application "Tarvo"). Section names compare without
// regard to ASCII case, as the program's sections have always been spelled both
// "ProgramSetting" and "programSetting".

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

class QSettings;

namespace tarvo {

class QtSettingsStore : public SettingsStore {
public:
    // The user's own store.
    QtSettingsStore();
    // An INI file at this path (UTF-8), for tests and portable runs.
    explicit QtSettingsStore(const std::string& iniFilePath);
    ~QtSettingsStore() override;
    QtSettingsStore(const QtSettingsStore&) = delete;
    QtSettingsStore& operator=(const QtSettingsStore&) = delete;

    std::optional<std::string> read(std::string_view section, std::string_view key) const override;
    void write(std::string_view section, std::string_view key, std::string_view value) override;

    // Writes pending changes to the file (also done on destruction; nothing is
    // written behind the program's back in between). The file is read back: when it
    // does not hold what the store holds (a full disk cuts it short, a write-protected
    // folder refuses it), the file as it was is put back and the answer is false.
    bool sync();
    bool commit() override { return sync(); }
    // The file behind the store (UTF-8).
    std::string fileName() const;

private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace tarvo
