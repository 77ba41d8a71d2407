// The history restore from arbitrary pages with fuzzed logger parameters: data
// lengths, record width, record count, total space, device type, firmware date.
#include <algorithm>

#include "data/channel_list.h"
#include "data/history_document.h"
#include "fuzz_layouts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    fuzz::FuzzInput in(data, size);
    const fuzz::RestoreInput input = fuzz::readRestoreInput(in);
    const int plotWidth = std::clamp<int>(input.plotWidth, -10, 5000);
    HistoryDocument doc;
    HistoryCounter counter;
    RestoreNotes notes;
    if (restoreHisData(doc, input.pages, input.params, counter, 46000.5, plotWidth, &notes)) {
        (void)uploadNotices(notes);
        resetView(doc);
        recomputeStatistics(doc);
        recomputeWholeStatistics(doc);
        (void)channelListRows(doc);
    }
    return 0;
}
