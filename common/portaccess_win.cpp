// Windows part of the port access advice. A COM port has no group to join:
// it opens for one program at a time, so "access denied" on a COM port
// means that another program holds it.
#include "portaccess.h"

std::string SerialPortAccessAdvice(const std::string& sPath)
{
    return "close the program that holds '" + sPath + "'";
}
