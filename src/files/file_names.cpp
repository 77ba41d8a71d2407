#include "files/file_names.h"

#include <cstdlib>
#include <system_error>

#include "core/codecs.h"

namespace tarvo {

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The value of an environment variable, or empty when it is unset.
std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::string fileKind(const std::filesystem::path& path) {
    const std::string name = pathText(path);
    // Walk back over three UTF-8 characters (a character is its lead byte and the
    // continuation bytes after it).
    std::size_t start = name.size();
    for (int characters = 0; characters < 3 && start > 0; ++characters) {
        --start;
        while (start > 0 && isContinuationByte(name[start])) --start;
    }
    std::string kind = name.substr(start);
    for (char& c : kind) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return kind;
}

bool isLoggerDataFileName(const std::filesystem::path& path) {
    return fileKind(path) == "orx";
}

SaveFormat saveFormatFor(const std::filesystem::path& path) {
    const std::string kind = fileKind(path);
    if (kind == "mdb") return SaveFormat::Database;
    if (kind == "csv") return SaveFormat::CommaSeparated;
    if (kind == "doc") return SaveFormat::WordText;
    if (kind == "txt") return SaveFormat::PlainText;
    return SaveFormat::LoggerDataFile;
}

std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path pathFromText(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::filesystem::path fullPath(const std::filesystem::path& path) {
    if (path.empty()) return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal();
}

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const auto resolved = [](const std::filesystem::path& p) {
        std::error_code error;
        const std::filesystem::path canonical = std::filesystem::weakly_canonical(p, error);
        return error ? fullPath(p) : canonical;
    };
    return resolved(a) == resolved(b);
}

std::filesystem::path dataFolder() {
    if (const std::string own = environment("TARVO_DATA_DIR"); !own.empty()) {
        return pathFromText(own);
    }
#if defined(_WIN32)
    if (const std::string appData = environment("APPDATA"); !appData.empty()) {
        return pathFromText(appData) / "Tarvo";
    }
#elif defined(__APPLE__)
    if (const std::string home = environment("HOME"); !home.empty()) {
        return pathFromText(home) / "Library" / "Application Support" / "Tarvo";
    }
#else
    // XDG base directories: a relative $XDG_DATA_HOME is invalid and ignored.
    if (const std::string xdg = environment("XDG_DATA_HOME"); !xdg.empty() && xdg.front() == '/') {
        return pathFromText(xdg) / "Tarvo";
    }
    if (const std::string home = environment("HOME"); !home.empty()) {
        return pathFromText(home) / ".local" / "share" / "Tarvo";
    }
#endif
    // No home at all (a service account): the system's temporary folder.
    std::error_code error;
    std::filesystem::path temp = std::filesystem::temp_directory_path(error);
    if (error) temp = ".";
    return temp / "Tarvo";
}

bool ensureFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) return true;
    std::filesystem::create_directories(folder, error);
    return !error && std::filesystem::is_directory(folder, error);
}

std::filesystem::path tempDumpPath(DateTime stamp) {
    const std::filesystem::path folder = dataFolder() / "Temp";
    ensureFolder(folder);
    return folder / (compactTimeText(stamp) + ".orx");
}

}  // namespace tarvo
