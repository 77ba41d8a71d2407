// Every answer decoder on arbitrary bytes, then what the workstation derives from the
// decoded record. The first byte picks the decoder; the rest is the answer.
#include "core/codecs.h"
#include "core/logger_parameters.h"
#include "data/history_document.h"
#include "data/live_document.h"
#include "link/answer_profile.h"
#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "link/restart.h"

namespace {

constexpr tarvo::DateTime kNow = 46000.5;  // a day in 2025

void deriveEverything(tarvo::LoggerParameters& params) {
    using namespace tarvo;
    (void)startModeText(params.startMode);
    (void)stopModeText(params.stopMode);
    (void)workStatusText(params.workStatus);
    (void)powerModeText(params.powerMode);
    (void)channelMaskText(params.startedChannels);
    (void)channelMaskText(params.alarmChannels);
    for (auto& type : params.channelType) (void)channelTypeText(type);
    (void)firmwareAfterFeb2005(params);
    (void)clockCheckNeeded(params, Variant::XY001);
    (void)clockCheckNeeded(params, Variant::XY002);
    (void)restartCheckLines(params, kNow);
    (void)restartAsksForClock(params);
    (void)promisedRecords(params);
    LiveDocument live;
    if (live.reSetRealSetting(params)) {
        const Bytes frame(6 + 4 * 8 + 1, 0x41);
        (void)live.restoreRealData(frame, kNow);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    if (size == 0) return 0;
    const std::uint8_t pick = data[0];
    const ByteView answer(data + 1, size - 1);
    LoggerParameters params;
    switch (pick % 5) {
        case 0:
            if (decodeXY002(answer, params)) deriveEverything(params);
            break;
        case 1:
            if (decodeXY001Block1(answer, params, kNow)) deriveEverything(params);
            break;
        case 2: {
            // Block 2 follows a block 1 in a real connect: split the input between them.
            const std::size_t half = answer.size() / 2;
            (void)decodeXY001Block1(answer.first(half), params, kNow);
            if (decodeXY001Block2(answer.subspan(half), params)) deriveEverything(params);
            break;
        }
        case 3:
            (void)decodeLiveFrame(answer, pick % 9);
            break;
        default: {
            // Acknowledgements and completeness tests of every mode, both variants.
            params.deviceBytes[3] = static_cast<std::int16_t>(pick);
            for (int mode = 0; mode <= 40; ++mode) {
                for (const Variant variant : {Variant::XY001, Variant::XY002}) {
                    (void)answerAccepted(mode, variant, params.deviceType(), answer);
                    const AnswerContext context{variant, params};
                    (void)declaredLengthOf(mode, context, answer);
                    (void)largestLengthOf(mode, context);
                }
            }
            break;
        }
    }
    return 0;
}
