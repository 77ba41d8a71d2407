#pragma once
// What the transaction engine tells the rest of the program, and the operations
// that later take over the answers of some modes. The engine knows no window: the
// workstation implements these and turns them into widgets; the defaults do nothing.

#include <string>

#include "core/bytes.h"
#include "core/date_time.h"

namespace tarvo {

class EngineListener {
  public:
    virtual ~EngineListener() = default;
    // A frame was sent: its hex echo replaces the text of the command echo box.
    virtual void commandEcho(const std::string& /*text*/) {}
    // The progress strip: `value` already lies within minimum..maximum.
    virtual void progress(int /*value*/, int /*minimum*/, int /*maximum*/) {}
    // The status-bar text ("335连接...", "上传数据..." or empty).
    virtual void statusText(const std::string& /*text*/) {}
    // An exchange started, finished or failed: the command enabling is to be recomputed.
    virtual void enablingChanged() {}
    // Parameters were read into loggerParams: the pane switches to its first tab,
    // the toolbar is shown and the property list is refilled.
    virtual void parametersRead() {}
    // The logger clock was set: the row "记录仪时钟" shows the new value.
    virtual void loggerClockChanged(DateTime /*clock*/) {}
    // The parameter write was sent: the please-wait window comes up (not blocking).
    virtual void showPleaseWait() {}
    // The parameter write was acknowledged or finally failed: the please-wait window goes.
    virtual void closePleaseWait() {}
    // After a parameter read: the live window re-reads its settings and is hidden,
    // and the check mark of its view menu entry is removed.
    virtual void liveWindowReset() {}
};

// The history upload's share of the exchange (mode 6). Holds the pages gathered
// so far and starts the next page request through the engine.
class HistoryUploadHandler {
  public:
    virtual ~HistoryUploadHandler() = default;
    // A complete answer in mode 6. Returns false when the answer fails its test
    // and the engine is to resend the request (or report the failure after the
    // last transmission); otherwise the handler has dealt with it, including
    // ending or continuing the exchange.
    virtual bool historyAnswer(ByteView answer) = 0;
    // The last request went unanswered: the failure message has been shown; the
    // pages gathered so far are to be handed over.
    virtual void historyTimedOut() = 0;
    // A parameter read finished while an upload was pending: build and show the
    // history window from the pages. Returns whether it was shown. The engine
    // reports a failure and then calls dropPages().
    virtual bool showUploadedHistory() = 0;
    // Forget the pages and the last page number.
    virtual void dropPages() = 0;
};

// Live sampling's share (mode 9 and the one-second live clock).
class LiveSampleHandler {
  public:
    virtual ~LiveSampleHandler() = default;
    // An accepted live answer; the engine ends the exchange afterwards.
    virtual void liveAnswer(ByteView answer) = 0;
    // The last live request went unanswered; the engine sets mode 0 afterwards.
    virtual void liveTimedOut() = 0;
    // A tick of the live sampling clock.
    virtual void liveTick() = 0;
    // The parameter answer to the identity question (mode 36); the engine is idle
    // again when this is called.
    virtual void identityAnswer(ByteView /*answer*/) {}
    // The identity question went unanswered or was answered badly; the engine is
    // idle again afterwards. Nothing is reported.
    virtual void identityUnanswered() {}
};

}  // namespace tarvo
