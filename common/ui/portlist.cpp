#include "portlist.h"

#include <QComboBox>
#include <cerrno>
#include <mutex>

#include "portaccess.h"
#include "portname.h"
#include "serial.h"

namespace {

std::mutex mHandler;
PortCandidatesHandler fnPortCandidates;

// Each port shows what tells it apart (portname.h); its path is the item's
// data, which is what is opened, and its tool tip. "Select..." has no data.
void FillFromList(QComboBox* pCombo, const PortList& list)
{
    pCombo->clear();
    if (list.vEntries.empty())
        return;
    pCombo->addItem(QString::fromLocal8Bit(list.vEntries[0].c_str()));
    const std::vector<std::string> paths(list.vEntries.begin() + 1, list.vEntries.end());
    const std::vector<std::string> names = PortDisplayNames(paths);
    for (size_t i = 0; i < paths.size(); i++) {
        const QString path = QString::fromLocal8Bit(paths[i].c_str());
        const std::string& note = i + 1 < list.vNotes.size() ? list.vNotes[i + 1] : std::string();
        QString text = QString::fromLocal8Bit(names[i].c_str());
        QString tip = path;
        // A port the user may not open says so, and how to get access;
        // connecting to it reports the same.
        if (!note.empty()) {
            text += QString::fromLocal8Bit((" (" + note + ")").c_str());
            tip += QString::fromLocal8Bit(("\n" + SerialPortOpenReason(paths[i], EACCES)).c_str());
        }
        pCombo->addItem(text, path);
        pCombo->setItemData(pCombo->count() - 1, tip, Qt::ToolTipRole);
    }
    pCombo->setCurrentIndex(list.nSelected);
}

}  // namespace

void FillPortList(QComboBox* pCombo)
{
    PortCandidatesHandler fn;
    {
        std::lock_guard<std::mutex> lock(mHandler);
        fn = fnPortCandidates;
    }
    FillFromList(pCombo, fn ? LoadPortList(fn()) : LoadPortList());
}

void SetPortCandidatesHandler(PortCandidatesHandler fn)
{
    std::lock_guard<std::mutex> lock(mHandler);
    fnPortCandidates = std::move(fn);
}

std::string PortListSelection(const QComboBox* pCombo)
{
    if (pCombo == nullptr || pCombo->currentIndex() <= 0)
        return std::string();
    return pCombo->currentData().toString().toLocal8Bit().toStdString();
}

void FillPortList(QComboBox* pCombo, const std::vector<std::string>& vCandidates)
{
    FillFromList(pCombo, LoadPortList(vCandidates));
}
