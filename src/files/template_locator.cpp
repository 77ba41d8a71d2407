#include "files/template_locator.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvo {

namespace {

std::filesystem::path templateIn(const std::filesystem::path& folder) {
    return folder / "FileMode" / "default.mdb";
}

}  // namespace

std::filesystem::path executableFolder() {
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0 || n >= buffer.size()) return {};
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
#else
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path();
#endif
}

TemplateLocator::TemplateLocator(std::filesystem::path overridePath)
    : override_(std::move(overridePath)) {}

std::vector<std::filesystem::path> TemplateLocator::candidates() const {
    if (!override_.empty()) return {override_};
    const std::filesystem::path folder = executableFolder();
    if (folder.empty()) return {};
    return {templateIn(folder), templateIn(folder / ".." / "share" / "tarvo").lexically_normal()};
}

std::optional<std::filesystem::path> TemplateLocator::find() const {
    for (const auto& candidate : candidates()) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
    }
    return std::nullopt;
}

std::filesystem::path TemplateLocator::expectedPath() const {
    if (!override_.empty()) return override_;
    return templateIn(executableFolder());
}

}  // namespace tarvo
