// CaptureFile over libpcap.
#include "pcap/CaptureFile.h"

#include "platform/Platform.h"

#include <pcap/pcap.h>

#include <cmath>
#include <cstdio>
#include <utility>

namespace orvtool
{

bool havePcap()
{
    return true;
}

std::string pcapMissingText()
{
    return "";
}

namespace
{

// What pcap_dump writes: raw IPv4 packets up to the largest UDP datagram.
constexpr int kSnapLength = 65535;

class PcapWriter final : public CaptureWriter
{
public:
    PcapWriter(pcap_t* handle, pcap_dumper_t* dumper) : handle_(handle), dumper_(dumper) {}
    ~PcapWriter() override
    {
        pcap_dump_close(dumper_);
        pcap_close(handle_);
    }

    bool write(double arrivalSeconds, const std::string& packet, std::string& error) override
    {
        pcap_pkthdr header{};
        const double whole = std::floor(arrivalSeconds);
        header.ts.tv_sec = static_cast<time_t>(whole);
        header.ts.tv_usec = static_cast<suseconds_t>((arrivalSeconds - whole) * 1e6);
        const size_t kept =
            packet.size() < static_cast<size_t>(kSnapLength) ? packet.size() : kSnapLength;
        header.caplen = static_cast<bpf_u_int32>(kept);
        header.len = static_cast<bpf_u_int32>(packet.size());
        pcap_dump(reinterpret_cast<u_char*>(dumper_), &header,
                  reinterpret_cast<const u_char*>(packet.data()));
        if (pcap_dump_flush(dumper_) != 0)
        {
            error = "cannot write to the capture file";
            return false;
        }
        return true;
    }

private:
    pcap_t* handle_;
    pcap_dumper_t* dumper_;
};

LinkType linkTypeOf(int datalink)
{
    switch (datalink)
    {
    case DLT_NULL:
        return LinkType::Null;
    case DLT_EN10MB:
        return LinkType::Ethernet;
    case DLT_RAW:
    case DLT_IPV4:
#ifdef LINKTYPE_RAW
    case LINKTYPE_RAW:
#endif
        return LinkType::Raw;
    case DLT_LOOP:
        return LinkType::Loop;
    case DLT_LINUX_SLL:
        return LinkType::LinuxSll;
    case DLT_LINUX_SLL2:
        return LinkType::LinuxSll2;
    default:
        // The raw-IP link type has another DLT number on some systems (12 or 14) and 101 in
        // files; libpcap maps the file's number to this system's, but be lenient.
        if (datalink == 12 || datalink == 14 || datalink == 101)
            return LinkType::Raw;
        return LinkType::Other;
    }
}

class PcapReader final : public CaptureReader
{
public:
    // `bytes`: the memory a handle opened on bytes reads, kept as long as the handle.
    explicit PcapReader(pcap_t* handle, std::unique_ptr<std::string> bytes = nullptr)
        : bytes_(std::move(bytes)), handle_(handle)
    {
    }
    ~PcapReader() override { pcap_close(handle_); }

    LinkType linkType() const override { return linkTypeOf(pcap_datalink(handle_)); }

    std::string linkTypeName() const override
    {
        const char* name = pcap_datalink_val_to_name(pcap_datalink(handle_));
        return name != nullptr ? name : "link type " + std::to_string(pcap_datalink(handle_));
    }

    int next(CapturedFrame& frame, std::string& error) override
    {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int result = pcap_next_ex(handle_, &header, &data);
        if (result == 1)
        {
            frame.seconds = static_cast<double>(header->ts.tv_sec) + header->ts.tv_usec / 1e6;
            frame.bytes.assign(reinterpret_cast<const char*>(data), header->caplen);
            frame.wireLength = header->len;
            return 1;
        }
        if (result == PCAP_ERROR_BREAK)
            return 0;
        error = std::string("damaged capture file: ") + pcap_geterr(handle_);
        return -1;
    }

private:
    std::unique_ptr<std::string> bytes_;
    pcap_t* handle_;
};

} // namespace

std::unique_ptr<CaptureWriter> CaptureWriter::create(const std::string& path, std::string& error)
{
    pcap_t* handle = pcap_open_dead(DLT_RAW, kSnapLength);
    if (handle == nullptr)
    {
        error = "libpcap could not make a capture handle";
        return nullptr;
    }
    std::string why;
    std::FILE* file = openFile(path, FileAccess::Write, why);
    if (file == nullptr)
    {
        error = "cannot create " + path + ": " + why;
        pcap_close(handle);
        return nullptr;
    }
    pcap_dumper_t* dumper = pcap_dump_fopen(handle, file); // closes the file when closed
    if (dumper == nullptr)
    {
        error = "cannot create " + path + ": " + pcap_geterr(handle);
        std::fclose(file);
        pcap_close(handle);
        return nullptr;
    }
    return std::make_unique<PcapWriter>(handle, dumper);
}

std::unique_ptr<CaptureReader> CaptureReader::open(const std::string& path, std::string& error)
{
    char message[PCAP_ERRBUF_SIZE] = {};
    if (path == "-")
    {
        pcap_t* handle = pcap_open_offline(path.c_str(), message); // standard input
        if (handle == nullptr)
        {
            error = std::string("cannot read standard input: ") + message;
            return nullptr;
        }
        return std::make_unique<PcapReader>(handle);
    }
    std::string why;
    std::FILE* file = openFile(path, FileAccess::Read, why);
    if (file == nullptr)
    {
        error = "cannot read " + path + ": " + why;
        return nullptr;
    }
    pcap_t* handle = pcap_fopen_offline(file, message); // closes the file when closed
    if (handle == nullptr)
    {
        error = "cannot read " + path + ": " + message;
        std::fclose(file);
        return nullptr;
    }
    return std::make_unique<PcapReader>(handle);
}

std::unique_ptr<CaptureReader> CaptureReader::fromBytes(std::string bytes, std::string& error)
{
#ifdef _WIN32
    (void)bytes;
    error = "a capture is read from a file here, not from standard input: orv decode FILE";
    return nullptr;
#else
    auto kept = std::make_unique<std::string>(std::move(bytes));
    FILE* stream = ::fmemopen(kept->data(), kept->size(), "rb");
    if (stream == nullptr)
    {
        error = "cannot read the capture from memory";
        return nullptr;
    }
    char message[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_fopen_offline(stream, message); // closes the stream when closed
    if (handle == nullptr)
    {
        std::fclose(stream);
        error = std::string("cannot read the capture: ") + message;
        return nullptr;
    }
    return std::make_unique<PcapReader>(handle, std::move(kept));
#endif
}

} // namespace orvtool
