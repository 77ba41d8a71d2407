#include "link/history_upload.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "link/answer_profile.h"
#include "link/frames.h"
#include "link/parameter_decoder.h"
#include "link/transaction_engine.h"

namespace tarvo {

namespace {

constexpr std::string_view kConfirmTitle = "上传";
constexpr std::string_view kNoDataStored =
    "记录仪中有可能并未存储数据。如果尚未重启，建议您先重启记录仪；如果已重启，请稍候再下载。";
constexpr std::string_view kNoDataTitle = "存储失败";
constexpr std::string_view kStoreFailed = "数据存储失败。请记录仪配置是否正确。";

// 3C A1 A2 x 36 Lh Ll page …: byte 7 numbers the page.
constexpr std::size_t kPageNumberAt = 7;
constexpr int kChecksumFrom = 5;
// A first page of this many bytes or fewer carries no sample.
constexpr std::size_t kEmptyPageSize = 8;
// Pages with a wrong checksum asked for again in a row; the next one ends the upload.
constexpr std::int16_t kSamePageRetries = 4;

}  // namespace

HistoryUpload::HistoryUpload(TransactionEngine& engine, HistorySink& sink)
    : engine_(engine), sink_(sink) {
    engine_.setHistoryHandler(this);
}

HistoryUpload::~HistoryUpload() {
    engine_.setHistoryHandler(nullptr);
}

void HistoryUpload::start(int deviceAddress) {
    if (engine_.busy()) return;
    engine_.setDeviceAddress(deviceAddress);
    const Answer answer =
        engine_.messenger().ask(std::string(kUploadConfirmation), std::string(kConfirmTitle));
    if (answer != Answer::Yes) return;
    dataBuff_.clear();
    lastPageNumber_ = -1;
    badPageCount_ = 0;
    request(Request::First);
}

void HistoryUpload::request(Request which) {
    const bool xy001 = engine_.variant() == Variant::XY001;
    HistoryRequest frame = HistoryRequest::NextPage;
    if (which == Request::First) {
        frame = xy001 ? HistoryRequest::FirstXY001 : HistoryRequest::FirstXY002;
    } else if (which == Request::SameAgain) {
        frame = HistoryRequest::SamePageAgain;
    }
    // Every request starts its own count of transmissions.
    engine_.startExchange(kModeHistory, historyFrame(engine_.deviceAddress(), frame), true);
}

bool HistoryUpload::historyAnswer(ByteView answer) {
    if (engine_.loggerParams().deviceType() == kDeviceSingleAnswer) return singleAnswer(answer);
    return pagedAnswer(answer);
}

bool HistoryUpload::pagedAnswer(ByteView answer) {
    // An answer too short to carry a page number is as bad as a wrong checksum.
    const int last = static_cast<int>(answer.size()) - 1;
    if (answer.size() <= kPageNumberAt ||
        answer[static_cast<std::size_t>(last)] != checksum(answer, kChecksumFrom, last - 1)) {
        if (badPageCount_ < kSamePageRetries) {
            ++badPageCount_;
            request(Request::SameAgain);
            return true;
        }
        // The logger keeps sending bad pages: give up as after the last unanswered
        // request, keeping what did arrive.
        engine_.giveUp(TransactionEngine::GiveUp::Unanswered);
        return true;
    }

    const std::uint8_t page = answer[kPageNumberAt];
    if (page > lastPageNumber_ || dataBuff_.empty()) {
        badPageCount_ = 0;
        lastPageNumber_ = page;
        dataBuff_.emplace_back(answer.begin(), answer.end());
        request(Request::Next);
        return true;
    }
    finished();
    return true;
}

bool HistoryUpload::singleAnswer(ByteView answer) {
    if (!answerAccepted(kModeHistory, engine_.variant(), kDeviceSingleAnswer, answer)) return false;
    dataBuff_.assign(1, Bytes(answer.begin(), answer.end()));
    // The document is built once the parameters have been read afresh.
    engine_.flags().uploadPending = true;
    engine_.connectLogger(Variant::XY002);
    return true;
}

void HistoryUpload::finished() {
    Messenger& messenger = engine_.messenger();
    if (dataBuff_.front().size() <= kEmptyPageSize) {
        messenger.inform(std::string(kNoDataStored), std::string(kNoDataTitle),
                         MessageIcon::Information);
        dropPages();
        engine_.endExchange();
        return;
    }
    const LoggerParameters& params = engine_.loggerParams();
    if (firmwareAfterFeb2005(params)) {
        if (sink_.showHistory(dataBuff_, params)) {
            engine_.flags().uploadDone = true;
        } else {
            messenger.inform(std::string(kStoreFailed), std::string(kErrorTitle),
                             MessageIcon::Warning);
        }
        dropPages();
        engine_.endExchange();
        return;
    }
    // Older firmware: its parameters must be read again before the pages make sense;
    // the engine's after-read actions then ask for the hand-over.
    engine_.flags().uploadPending = true;
    engine_.connectLogger(Variant::XY002);
}

void HistoryUpload::historyTimedOut() {
    handOverSoFar();
}

void HistoryUpload::handOverSoFar() {
    // A document that cannot be built from the partial pages is dropped without a word:
    // the failure has been reported already.
    if (!dataBuff_.empty()) sink_.showHistory(dataBuff_, engine_.loggerParams());
    dropPages();
}

bool HistoryUpload::showUploadedHistory() {
    return !dataBuff_.empty() && sink_.showHistory(dataBuff_, engine_.loggerParams());
}

void HistoryUpload::dropPages() {
    dataBuff_.clear();
    lastPageNumber_ = -1;
}

}  // namespace tarvo
