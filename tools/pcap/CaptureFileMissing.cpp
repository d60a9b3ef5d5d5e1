// CaptureFile for a build without libpcap: everything says so.
#include "pcap/CaptureFile.h"

namespace orvtool
{

bool havePcap()
{
    return false;
}

std::string pcapMissingText()
{
    return "this orv was built without libpcap, which record and replay need to write and read "
           "pcap files; install it (Debian/Ubuntu: apt-get install libpcap-dev; macOS: it comes "
           "with the system) and build again";
}

std::unique_ptr<CaptureWriter> CaptureWriter::create(const std::string&, std::string& error)
{
    error = pcapMissingText();
    return nullptr;
}

std::unique_ptr<CaptureReader> CaptureReader::open(const std::string&, std::string& error)
{
    error = pcapMissingText();
    return nullptr;
}

std::unique_ptr<CaptureReader> CaptureReader::fromBytes(std::string, std::string& error)
{
    error = pcapMissingText();
    return nullptr;
}

} // namespace orvtool
