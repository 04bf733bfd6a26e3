#include "logger_fixture.h"

#include <cstdio>

void RecordingDlg::ShowMode(const char* szText)
{
    std::lock_guard<std::mutex> lock(mLock);
    sMode = szText;
}

void RecordingDlg::ShowMeasure(const char* szText)
{
    std::lock_guard<std::mutex> lock(mLock);
    sMeasure = szText;
}

void RecordingDlg::ShowGauge(int nPercent)
{
    std::lock_guard<std::mutex> lock(mLock);
    nGauge = nPercent;
}

int RecordingDlg::SaveFileDialog(char* szPath, size_t uSize)
{
    if (sChosenFile.empty())
        return 0;
    std::snprintf(szPath, uSize, "%s", sChosenFile.c_str());
    return 1;
}

std::string RecordingDlg::Mode() const
{
    std::lock_guard<std::mutex> lock(mLock);
    return sMode;
}

std::string RecordingDlg::Measure() const
{
    std::lock_guard<std::mutex> lock(mLock);
    return sMeasure;
}

int RecordingDlg::Gauge() const
{
    std::lock_guard<std::mutex> lock(mLock);
    return nGauge;
}

ScriptedSensor::ScriptedSensor(PtyPeer& peer) : peer(peer) {}

ScriptedSensor::~ScriptedSensor()
{
    bStop = true;
    if (worker.joinable())
        worker.join();
}

void ScriptedSensor::Start()
{
    worker = std::thread([this] { Run(); });
}

void ScriptedSensor::Run()
{
    std::string pending;
    while (!bStop) {
        pending += peer.Receive(50, "\r");
        size_t cr;
        while ((cr = pending.find('\r')) != std::string::npos) {
            const std::string cmd = pending.substr(0, cr);
            pending.erase(0, cr + 1);
            if (cmd == "wakeup!")
                continue;
            std::string answer = cmd + "\r\n";
            if (cmd.rfind("get ", 0) == 0 && tValues.count(cmd.substr(4)) != 0)
                answer += "OK " + cmd.substr(4) + "=" + tValues[cmd.substr(4)] + "\r\n";
            else if (cmd == "logger download")
                answer += "OK logger-download=" + sCountText + "\r\n" + sStream;
            else if (cmd == "logger clear confirm")
                answer += "OK logger-usage=0\r\n";
            else
                answer += "ERR unknown\r\n";
            peer.Send(answer);
        }
    }
}

LoggerJob TestJob(int iTask, const std::string& sPort, unsigned uCommandTimeout)
{
    LoggerJob job;
    job.iTask = iTask;
    job.sPort = sPort;
    job.uWakeupTimeout = 50;
    job.uCommandTimeout = uCommandTimeout;
    job.uEraseSettle = 0;
    return job;
}
