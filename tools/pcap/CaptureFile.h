// pcap capture files, through libpcap: writing raw IPv4 packets with their arrival times,
// and reading any capture frame by frame. Built without libpcap, every call fails with
// pcapMissingText(), so the rest of the tool still builds and runs.
#pragma once

#include "pcap/UdpFrame.h"

#include <memory>
#include <string>

namespace orvtool
{

// Whether `bytes` start as a pcap or pcapng file does (its magic number, in either byte
// order), rather than as a datagram.
bool looksLikeCapture(const std::string& bytes);

// Whether this build has libpcap.
bool havePcap();
// What record and replay say when it has not.
std::string pcapMissingText();

class CaptureWriter
{
public:
    // A new file of raw IPv4 packets (it replaces an existing one).
    static std::unique_ptr<CaptureWriter> create(const std::string& path, std::string& error);
    virtual ~CaptureWriter() = default;
    // One packet with its arrival time (seconds since 1970); written through at once, so the
    // file is complete whenever the tool stops.
    virtual bool write(double arrivalSeconds, const std::string& ipv4Packet,
                       std::string& error) = 0;
};

struct CapturedFrame
{
    double seconds = 0.0;  // capture time, seconds since 1970
    std::string bytes;     // what the capture kept of the frame
    size_t wireLength = 0; // how long the frame was on the wire
};

class CaptureReader
{
public:
    static std::unique_ptr<CaptureReader> open(const std::string& path, std::string& error);
    // A capture already read into memory (from standard input).
    static std::unique_ptr<CaptureReader> fromBytes(std::string bytes, std::string& error);
    virtual ~CaptureReader() = default;
    virtual LinkType linkType() const = 0;
    // "EN10MB", "RAW", ... as libpcap names the file's link type.
    virtual std::string linkTypeName() const = 0;
    // 1: a frame; 0: end of file; -1: a damaged file, in `error`.
    virtual int next(CapturedFrame& frame, std::string& error) = 0;
};

} // namespace orvtool
