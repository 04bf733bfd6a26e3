// Output that the sensor sends on its own after a command: the logger
// download and the scope stream.
#pragma once

#include <string>

#include "line_pacer.h"

namespace varnsim {

class Stream {
public:
    virtual ~Stream() = default;
    // When the next piece is available: a download is ready at once, a
    // signal stream when its next frame has been acquired.
    virtual TimePoint Ready() const { return TimePoint::min(); }
    // Appends the next piece to out; false, appending nothing, when the
    // stream is over.
    virtual bool Next(std::string& out) = 0;
    // true: the console is busy sending and a line end from the host stops
    // the stream (a download); false: commands go on alongside it (the
    // signal stream of the scope mode, which only a reboot ends).
    virtual bool EndsOnLineEnd() const { return true; }
    // true once the stream wants the line to hang up after what it has sent
    // (a fault of the scope stream).
    virtual bool HangUpDue() const { return false; }
};

} // namespace varnsim
