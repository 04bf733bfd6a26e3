// The logger download stream: a heading line and the stored records,
// generated one line at a time so that a full logger costs no memory.
#pragma once

#include <cstdint>
#include <string>

#include "simulator.h"
#include "stream.h"

namespace varnsim {

struct LoggerFaultSpec {
    LoggerFault fault = LoggerFault::None;
    int record = 0;
};

class LoggerStream : public Stream {
public:
    // kind: a KindBit; fieldMask: the "logger-cfg" bits; records: how many
    // are stored; intervalSeconds: time between records ("avg-m").
    LoggerStream(unsigned kind, int fieldMask, int records, int intervalSeconds, LoggerFaultSpec fault);

    // Appends the next line with its CR LF (or, for a cut record, the first
    // part of it) to out. false, appending nothing, once the stream is over.
    bool Next(std::string& out) override;

    // The heading and record k (1-based) without line end, as sent when no
    // fault applies.
    std::string Heading() const;
    std::string Record(int k) const;

private:
    unsigned kind_;
    int fields_;  // the requested bits that the kind has
    int records_;
    int interval_;
    LoggerFaultSpec fault_;
    int next_ = 0;  // 0: the heading
    bool ended_ = false;
};

} // namespace varnsim
