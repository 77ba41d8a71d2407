#include "gui/qt_report_painter.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "core/date_time.h"
#include "core/logger_parameters.h"

namespace tarvo {
namespace {

// Fonts need a GUI application; without a display it runs on the offscreen platform.
QGuiApplication* guiApplication() {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        return qobject_cast<QGuiApplication*>(existing);
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "test_platform";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return &app;
}

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarvo-report-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Two channels of a day's recording at ten-minute intervals.
HistoryDocument smallDocument(int records = 144) {
    HistoryDocument doc;
    const DateTime start = makeDateTime(2006, 3, 7, 9, 0, 0);
    const DateTime interval = makeDuration(0, 10, 0);
    const char* types[] = {"温度      ", "湿度      "};
    const char* units[] = {"℃        ", "%RH       "};
    const std::int16_t codes[] = {0, 2};
    for (int c = 0; c < 2; ++c) {
        ChannelRecord r;
        r.channel = codes[c];
        r.typeText = types[c];
        r.unitText = units[c];
        r.rangeLow = c == 0 ? -20 : 0;
        r.rangeHigh = c == 0 ? 60 : 100;
        r.alarmHigh = c == 0 ? 28 : 80;
        r.alarmLow = c == 0 ? 2 : 20;
        r.userName = "Alice";
        r.title = "冷库一号";
        r.versionDate = makeDateTime(2006, 3, 7);
        r.startTime = start;
        r.stopTime = start + records * interval;
        r.workStatus = kWorkRecording;
        for (int k = 0; k < records; ++k) {
            const double phase = 6.2831853 * k / 144;
            r.values.push_back(
                static_cast<float>(c == 0 ? 15 + 12 * std::sin(phase) : 55 + 25 * std::cos(phase)));
            r.times.push_back(start + k * interval);
        }
        doc.channels.push_back(std::move(r));
    }
    doc.loaded = true;
    doc.caption = "记录仪文件1";
    resetView(doc);
    return doc;
}

std::string pdfText(const std::filesystem::path& pdf) {
    QProcess run;
    run.start(
        QStringLiteral("pdftotext"),
        {QStringLiteral("-layout"), QString::fromStdString(pdf.string()), QStringLiteral("-")});
    if (!run.waitForFinished(30000)) return {};
    return run.readAllStandardOutput().toStdString();
}

TEST(ReportPdf, PrintedFileHoldsTheReportsChineseTexts) {
    if (guiApplication() == nullptr) GTEST_SKIP() << "another test made a non-GUI application";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        GTEST_SKIP() << "pdftotext is not installed";
    }
    ScratchFolder folder;
    const std::filesystem::path pdf = folder / "报告.pdf";
    ReportOptions options;
    options.printTime = makeDateTime(2006, 3, 8, 10, 0, 0);
    ASSERT_TRUE(printReportToPdf(smallDocument(), options, pdf.string()));

    std::ifstream in(pdf, std::ios::binary);
    std::string magic(5, '\0');
    in.read(magic.data(), 5);
    EXPECT_EQ(magic, "%PDF-");

    const std::string text = pdfText(pdf);
    for (const char* expected :
         {"[打印时间：2006-3-8 10:00:00]", "硬件版本：2006-3-7", "软件版本：V4.2", "记录仪属性",
          "标题:冷库一号", "当前状态:正在记录", "通道0", "类型:温度", "单位:℃", "通道2",
          "量程:(100,0)", "数据列表", "编号", "记录时间", "2(%RH)", "2006-03-08 08:50:00"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // Two channel blocks and a day's list take more than one page; a form feed ends each.
    EXPECT_GE(std::count(text.begin(), text.end(), '\f'), 2);
}

TEST(ReportPdf, NothingIsWrittenForAnEmptyDocumentOrAnUnwritablePath) {
    if (guiApplication() == nullptr) GTEST_SKIP() << "another test made a non-GUI application";
    ScratchFolder folder;
    HistoryDocument empty = smallDocument();
    empty.loaded = false;
    EXPECT_FALSE(printReportToPdf(empty, {}, (folder / "empty.pdf").string()));
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.pdf"));
    EXPECT_FALSE(printReportToPdf(smallDocument(), {}, (folder / "no/such/folder/r.pdf").string()));
}

}  // namespace
}  // namespace tarvo
