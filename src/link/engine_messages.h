#pragma once
// Texts of the engine that front ends need to recognise.

#include <array>
#include <string_view>

namespace tarvo {

// The serial port itself failed a step of an exchange. The exchange goes on (the
// timeout resends or reports), so these are plain messages, not warnings; a front
// end may still want to tell them from the results.
inline constexpr std::string_view kPortSetupFailed = "串口设置错误!";
inline constexpr std::string_view kPortPurgeFailed = "清除输入数据失败!";
inline constexpr std::string_view kPortWriteFailed = "数据发送失败!";
inline constexpr std::string_view kPortReadFailed = "串口数据接收失败!";

inline constexpr std::array<std::string_view, 4> kPortServiceMessages{
    kPortSetupFailed, kPortPurgeFailed, kPortWriteFailed, kPortReadFailed};

// Asked after a parameter read when the logger clock is off; Yes sets it to the PC
// time as an exchange of its own.
inline constexpr std::string_view kClockQuestion = "记录仪时钟有误，是否设置为系统时钟？";

}  // namespace tarvo
