#pragma once
// The program's settings: serial line, live sampling, automatic saving, and the
// display names of the 100 device addresses. Held in memory for the whole run and
// kept as texts in a per-user store under sections "ProgramSetting" and "Display".

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

struct ProgramSettings {
    std::string ComPort = "COM1";
    std::int32_t BaudRate = 9600;
    std::string CheckMode = "n";
    std::int16_t OverTime = 200;
    std::int16_t ResendTime = 3;
    std::int32_t RealInterval = 10;
    std::int16_t ConferStyle = 2;
    std::string FilePath;
    std::int16_t AutoSave = -10;
    // The PostgreSQL server the database append may write to (a URI, never with its
    // password); empty: none. Line: what the rows on the server name as their line
    // ("线路"); empty: the host name and the serial port.
    std::string DatabaseServer;
    std::string Line;
    // 1: every answer is taken by the three-tick rule only, never early by its length.
    std::int16_t StrictTiming = 0;

    bool autoSaveOn() const { return AutoSave > 0; }
    bool operator==(const ProgramSettings&) const = default;
};

// The line speeds the program offers and accepts.
inline constexpr std::array<int, 8> kLineSpeeds{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
bool isLineSpeed(long long baudRate);
// The parity letter of a CheckMode text (n, o, e, s or m in either case, lower-cased),
// or nothing when the text is anything else.
std::optional<char> parityLetter(std::string_view checkMode);
// Whether a ComPort text names a port: COMn with n from 1, or a device path.
bool isPortName(std::string_view comPort);

inline constexpr int kFirstDisplayAddress = 1;
inline constexpr int kLastDisplayAddress = 100;

// Display names of device addresses 1..100 ("记录仪1" … "记录仪100" by default).
class DisplayNames {
public:
    DisplayNames();
    // Indexed by device address 1..100; any other index throws std::out_of_range.
    const std::string& operator[](int address) const;
    std::string& operator[](int address);
    // The store key and default name of an address: "记录仪" followed by the number.
    static std::string defaultName(int address);
    bool operator==(const DisplayNames&) const = default;

private:
    std::array<std::string, 100> names_;
};

// A per-user store of text values addressed by section and key. Section names
// compare without regard to case.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> read(std::string_view section, std::string_view key) const = 0;
    virtual void write(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Makes what was written lasting (a store kept in a file writes it). False when
    // it could not be: the stored contents are then those of the last commit that
    // succeeded, and the store still reads what was written, for this run.
    virtual bool commit() { return true; }
};

// Reads every setting, with its default where a key is missing. A numeric text
// that is not a whole decimal number, or does not fit the field, also gives the
// default.
void loadSettings(const SettingsStore& store, ProgramSettings& settings, DisplayNames& names);
// Writes every setting back as text (numbers in decimal), in the order they are
// read; "AutoSave" goes under the section spelled "programSetting".
void saveSettings(SettingsStore& store, const ProgramSettings& settings, const DisplayNames& names);

}  // namespace tarvo
