// The port list of every window: a combo box filled from the serial ports
// that open, with candidates tests can replace.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QComboBox;

// Fills the combo box from LoadPortList(): "Select..." then the ports that
// open, each shown by what tells it apart (PortDisplayNames) with its path
// as the entry's data and tool tip; selects the list's index.
void FillPortList(QComboBox* pCombo);
// The same from explicit candidates.
void FillPortList(QComboBox* pCombo, const std::vector<std::string>& vCandidates);
// Replaces the machine's candidates (SerialPortCandidates) for every later
// FillPortList(pCombo): tests never probe the machine's own ports. nullptr
// restores the machine's list.
using PortCandidatesHandler = std::function<std::vector<std::string>()>;
void SetPortCandidatesHandler(PortCandidatesHandler fn);
// The path of the port chosen in a list filled by FillPortList; empty while
// "Select..." (or nothing) is chosen.
std::string PortListSelection(const QComboBox* pCombo);

