// The logger download stream on the wire, its erase, and the ways a
// download can go wrong.
#include <gtest/gtest.h>

#include <sstream>

#include "host_port.h"

using varnsim::LoggerFault;
using varnsim::Options;

namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

class Logger : public testing::Test {
protected:
    void OpenAwake(Options options)
    {
        line_ = std::make_unique<SimLine>(std::move(options));
        ASSERT_TRUE(line_->started) << line_->error;
        host().Wakeup();
    }
    HostPort& host() { return *line_->host; }
    varnsim::Simulator& sim() { return line_->sim; }

    // Starts a download; returns the status line without CR LF.
    std::string StartDownload()
    {
        host().Write("logger download\r");
        EXPECT_EQ(host().ReadLine(1000), "logger download\r\n");
        std::string status = host().ReadLine(1000);
        return status.substr(0, status.size() - 2);
    }

    // The stream's lines without CR LF, until the line is quiet for 200 ms.
    std::vector<std::string> StreamLines(std::string* rest = nullptr)
    {
        std::string all = host().Drain(200);
        for (std::string more; !(more = host().Drain(200)).empty();)
            all += more;
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = all.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(all.substr(start, end - start));
        if (rest)
            *rest = all.substr(start);
        return lines;
    }

    std::unique_ptr<SimLine> line_;
};

Options WithRecords(const std::string& kind, int records)
{
    Options options = FastOptions(kind);
    options.loggerRecords = records;
    return options;
}

TEST_F(Logger, DownloadSendsHeadingThenEveryRecordInOrder)
{
    OpenAwake(WithRecords("KORVALIN", 1500));
    EXPECT_EQ(host().Command("get logger-usage"), "get logger-usage\r\nOK logger-usage=1500\r\n");
    EXPECT_EQ(StartDownload(), "OK logger-download=1500");
    std::string rest;
    const std::vector<std::string> lines = StreamLines(&rest);
    EXPECT_EQ(rest, "");
    ASSERT_EQ(lines.size(), 1501u);
    ASSERT_EQ(lines[0][0], '#');
    const size_t fields = Split(lines[0], ';').size();
    EXPECT_GE(fields, 3u);
    std::string previousTime;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = Split(lines[i], ';');
        ASSERT_EQ(f.size(), fields) << lines[i];
        ASSERT_EQ(f[0], std::to_string(i));
        ASSERT_GT(f[1], previousTime);  // "YYYY-MM-DD hh:mm:ss" sorts as text
        previousTime = f[1];
        for (size_t k = 2; k < f.size(); ++k)
            ASSERT_NO_THROW(std::stod(f[k])) << lines[i];
    }
    // The console takes commands again afterwards; the download removed
    // nothing.
    EXPECT_EQ(host().Command("get logger-usage"), "get logger-usage\r\nOK logger-usage=1500\r\n");
}

TEST_F(Logger, RecordsFollowTheKindAndTheFieldMask)
{
    OpenAwake(WithRecords("GRESTOLV", 50));
    ASSERT_EQ(host().Command("set logger-cfg 8191"), "set logger-cfg 8191\r\nOK logger-cfg=8191\r\n");
    StartDownload();
    const std::vector<std::string> lines = StreamLines();
    ASSERT_EQ(lines.size(), 51u);
    // GRESTOLV records its primary statistics, the stone count and the eight
    // size classes, never wind: bits 5 to 10 of the mask are ignored.
    EXPECT_EQ(lines[0].find("Wind"), std::string::npos);
    EXPECT_NE(lines[0].find("Hail avg (hit/s)"), std::string::npos);
    const size_t fields = Split(lines[0], ';').size();
    EXPECT_EQ(fields, 2u + 5 + 1 + 8);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> f = Split(lines[i], ';');
        ASSERT_EQ(f.size(), fields);
        int percent = 0;
        for (size_t k = fields - 8; k < fields; ++k)
            percent += std::stoi(f[k]);
        EXPECT_TRUE(percent == 100 || percent == 0) << lines[i];
    }
}

TEST_F(Logger, EmptyLoggerSendsTheHeadingAlone)
{
    OpenAwake(WithRecords("PALVETRA", 0));
    EXPECT_EQ(StartDownload(), "OK logger-download=0");
    const std::vector<std::string> lines = StreamLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("#", 0), 0u);
    EXPECT_NE(lines[0].find(';'), std::string::npos);
}

TEST_F(Logger, ClearEmptiesTheLogger)
{
    OpenAwake(WithRecords("MESTRALO", 40));
    EXPECT_EQ(host().Command("logger clear"), "logger clear\r\nERROR=Type 'logger download' or 'logger clear confirm'\r\n");
    EXPECT_EQ(sim().Param("logger-usage"), "40");
    EXPECT_EQ(host().Command("logger clear confirm"), "logger clear confirm\r\nOK logger-usage=0\r\n");
    EXPECT_EQ(sim().Param("logger-usage"), "0");
    EXPECT_EQ(StartDownload(), "OK logger-download=0");
}

TEST_F(Logger, NoLoggerWithoutItsFlashOrBefore261)
{
    Options noFlash = WithRecords("KORVALIN", 10);
    noFlash.externalFlash = false;
    OpenAwake(noFlash);
    EXPECT_EQ(host().Command("get hw-extflash"), "get hw-extflash\r\nOK hw-extflash=0x00000000\r\n");
    EXPECT_EQ(host().Command("logger download"), "logger download\r\nERROR=No datalogger\r\n");
    EXPECT_EQ(host().Command("get logger-usage"), "get logger-usage\r\nOK logger-usage=0\r\n");
    line_.reset();

    Options old = WithRecords("KORVALIN", 10);
    old.fwVersion = "2.60";
    OpenAwake(old);
    EXPECT_EQ(host().Command("logger download"), "logger download\r\nERROR=No datalogger\r\n");
}

TEST_F(Logger, SkipsARecordNumber)
{
    OpenAwake(WithRecords("KORVALIN", 5));
    sim().SetLoggerFault(LoggerFault::SkipRecord, 3);
    EXPECT_EQ(StartDownload(), "OK logger-download=5");
    const std::vector<std::string> lines = StreamLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].substr(0, 2), "2;");
    EXPECT_EQ(lines[3].substr(0, 2), "4;");
}

TEST_F(Logger, SendsARecordWithoutSeparator)
{
    OpenAwake(WithRecords("KORVALIN", 5));
    sim().SetLoggerFault(LoggerFault::NoSeparator, 2);
    StartDownload();
    const std::vector<std::string> lines = StreamLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2].find(';'), std::string::npos);
    EXPECT_EQ(lines[2].rfind("2 ", 0), 0u);
    EXPECT_NE(lines[3].find(';'), std::string::npos);
}

TEST_F(Logger, StopsBetweenLinesOrInsideARecord)
{
    OpenAwake(WithRecords("KORVALIN", 20));
    sim().SetLoggerFault(LoggerFault::StopAfter, 7);
    EXPECT_EQ(StartDownload(), "OK logger-download=20");
    std::string rest;
    std::vector<std::string> lines = StreamLines(&rest);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[7].rfind("7;", 0), 0u);
    EXPECT_EQ(rest, "");

    sim().SetLoggerFault(LoggerFault::CutRecord, 4);
    StartDownload();
    lines = StreamLines(&rest);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_FALSE(rest.empty());
    EXPECT_EQ(rest.rfind("4;", 0), 0u);
    EXPECT_EQ(rest.find('\r'), std::string::npos);

    // The console goes on after a broken download.
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type\r\nOK sens-type=KORVALIN\r\n");
}

TEST_F(Logger, LargeLoggerStreamsOnDemandAndALineEndAbortsIt)
{
    ASSERT_NO_FATAL_FAILURE(OpenAwake(WithRecords("DUVIKORN", 300000)));
    EXPECT_EQ(sim().Param("logger-capa"), "300000");
    EXPECT_EQ(StartDownload(), "OK logger-download=300000");
    const std::string first = host().Read(20000, 2000);
    ASSERT_EQ(first.size(), 20000u);
    EXPECT_EQ(first[0], '#');
    // A host that gives up sends its next wake-up: the stream stops soon,
    // and what the pty still held is purged like a host does.
    host().Write("wakeup!\r");
    std::string tail;
    for (std::string more; !(more = host().Drain(150)).empty();)
        tail += more;
    EXPECT_LT(tail.size(), 100000u);
    EXPECT_EQ(host().Command("get sens-type"), "get sens-type\r\nOK sens-type=DUVIKORN\r\n");
}

} // namespace
