#pragma once
// The history upload: fetches the samples stored in a logger and hands the
// answers, as received, to whoever builds the history document from them.
//
// Loggers of device type other than 0 send their memory in numbered pages:
//   3C A1 A2 x 36 Lh Ll page data… checksum(5 .. last − 1)
// The upload asks for the first page, then for the next one after every page it
// accepts, and for the same page again after a page with a wrong checksum. The
// logger says it has finished by repeating (or lowering) the page number.
// Loggers of device type 0 send everything in one answer 3C … 66.
//
// Older firmware (up to 25 February 2005) and device type 0 need a fresh
// parameter read before the pages can be decoded: the upload then reconnects and
// the engine's after-read actions ask for the hand-over (showUploadedHistory).

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/logger_parameters.h"
#include "link/engine_listener.h"

namespace tarvo {

// The question an upload asks before it starts (title "上传").
inline constexpr std::string_view kUploadConfirmation = "是否确定上传历史数据？";

class TransactionEngine;

// Receives the collected answers: the workstation builds and shows a history
// window from them, the command line saves the document.
class HistorySink {
  public:
    virtual ~HistorySink() = default;
    // `pages` are the whole answers in arrival order, `params` the connected
    // logger's parameters. Returns whether a document came of them (false: nothing
    // could be decoded and nothing is shown).
    virtual bool showHistory(const std::vector<Bytes>& pages, const LoggerParameters& params) = 0;
};

class HistoryUpload : public HistoryUploadHandler {
  public:
    // Becomes the engine's history handler; the engine and the sink outlive it.
    HistoryUpload(TransactionEngine& engine, HistorySink& sink);
    ~HistoryUpload() override;
    HistoryUpload(const HistoryUpload&) = delete;
    HistoryUpload& operator=(const HistoryUpload&) = delete;

    // The upload command: asks for confirmation, then sends the first request to
    // the logger at `deviceAddress`. Does nothing while another exchange is pending.
    void start(int deviceAddress);

    bool historyAnswer(ByteView answer) override;
    void historyTimedOut() override;
    bool showUploadedHistory() override;
    void dropPages() override;

    // `DataBuff`: the accepted answers so far, whole.
    const std::vector<Bytes>& pages() const { return dataBuff_; }
    std::int16_t lastPageNumber() const { return lastPageNumber_; }
    std::int16_t badPageCount() const { return badPageCount_; }

  private:
    enum class Request { First, Next, SameAgain };

    void request(Request which);
    bool pagedAnswer(ByteView answer);
    bool singleAnswer(ByteView answer);
    // The logger repeated or lowered the page number: the upload is complete.
    void finished();
    // The exchange failed for good: the pages received so far are handed over.
    void handOverSoFar();

    TransactionEngine& engine_;
    HistorySink& sink_;
    std::vector<Bytes> dataBuff_;
    std::int16_t lastPageNumber_ = -1;
    std::int16_t badPageCount_ = 0;
};

}  // namespace tarvo
