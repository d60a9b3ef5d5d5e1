// The stream forms over streams that are not string streams: ones that hand out a few bytes
// at a time, that end or throw part-way through a value, and ones already failed before the
// call. Whatever the stream does, the decoder must not throw, must give the null value and
// must leave the state that tells what happened.

#include "Hex.h"
#include "msgpack/MsgPack.h"

#include <gtest/gtest.h>

#include <istream>
#include <sstream>
#include <stdexcept>
#include <streambuf>

using orvpack::MsgPack;

namespace
{

// Serves `bytes` at most `piece` bytes per refill. After `limit` bytes it either reports the
// end (as a pipe closed early would) or throws (as a device that fails would).
class PieceBuffer : public std::streambuf
{
public:
    enum class AtLimit
    {
        end,
        throws,
    };

    PieceBuffer(std::string bytes, size_t piece, size_t limit, AtLimit at_limit)
        : bytes_(std::move(bytes)), piece_(piece), limit_(std::min(limit, bytes_.size())),
          at_limit_(at_limit)
    {
    }

protected:
    int_type underflow() override
    {
        if (served_ == limit_)
        {
            if (at_limit_ == AtLimit::throws)
            {
                throw std::runtime_error("device failed");
            }
            return traits_type::eof();
        }
        const size_t count = std::min(piece_, limit_ - served_);
        char* begin = &bytes_[served_];
        setg(begin, begin, begin + count);
        served_ += count;
        return traits_type::to_int_type(*begin);
    }

private:
    std::string bytes_;
    size_t piece_;
    size_t limit_;
    AtLimit at_limit_;
    size_t served_ = 0;
};

// One value with every kind of part a read can be cut in: lead bytes, length and count fields,
// numbers, a short string, a block longer than one refill, an extension and nesting.
std::string every_part()
{
    return hex("85 a1 61 cd 01 2c a1 62 cb 40 09 21 fb 54 44 2d 18 a1 63 92 c3 d4 05 07 "
               "a1 64 c7 03 02 01 02 03 a1 65 da 01 00") +
           std::string(256, 'z');
}

std::string error_in_memory(const std::string& bytes)
{
    std::string err;
    MsgPack::parse(bytes, err);
    return err;
}

} // namespace

TEST(FailingStream, SmallRefillsGiveTheValueOfTheBytes)
{
    const std::string bytes = every_part();
    std::string expected_err;
    const MsgPack expected = MsgPack::parse(bytes, expected_err);
    ASSERT_EQ(expected_err, "");
    for (size_t piece : {1, 2, 3, 7, 64})
    {
        SCOPED_TRACE("piece " + std::to_string(piece));
        PieceBuffer buffer(bytes, piece, bytes.size(), PieceBuffer::AtLimit::end);
        std::istream in(&buffer);
        std::string err;
        const MsgPack value = MsgPack::parse(in, err);
        EXPECT_EQ(err, "");
        EXPECT_TRUE(in.good());
        EXPECT_TRUE(value == expected);
    }
}

TEST(FailingStream, EndingAnywhereInsideAValueIsAnEarlyEnd)
{
    const std::string bytes = every_part();
    for (size_t cut = 0; cut < bytes.size(); ++cut)
    {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        PieceBuffer buffer(bytes, 5, cut, PieceBuffer::AtLimit::end);
        std::istream in(&buffer);
        std::string err;
        const MsgPack value = MsgPack::parse(in, err);
        EXPECT_EQ(err, "end of buffer.");
        EXPECT_EQ(err, error_in_memory(bytes.substr(0, cut)));
        EXPECT_TRUE(in.eof() && in.fail());
        EXPECT_EQ(value.type(), MsgPack::NUL);
    }
}

TEST(FailingStream, AThrowingStreamIsAFormatErrorAndNothingEscapes)
{
    const std::string bytes = every_part();
    for (size_t cut = 0; cut < bytes.size(); ++cut)
    {
        SCOPED_TRACE("throws at " + std::to_string(cut));
        PieceBuffer err_buffer(bytes, 5, cut, PieceBuffer::AtLimit::throws);
        std::istream with_err(&err_buffer);
        std::string err;
        MsgPack value;
        EXPECT_NO_THROW(value = MsgPack::parse(with_err, err));
        EXPECT_EQ(err, "format error.");
        EXPECT_TRUE(with_err.bad() && with_err.fail());
        EXPECT_FALSE(with_err.eof());
        EXPECT_EQ(value.type(), MsgPack::NUL);

        PieceBuffer state_buffer(bytes, 5, cut, PieceBuffer::AtLimit::throws);
        std::istream by_state(&state_buffer);
        MsgPack out("replaced");
        EXPECT_NO_THROW(by_state >> out);
        EXPECT_TRUE(by_state.bad() && by_state.fail());
        EXPECT_EQ(out.type(), MsgPack::NUL);
    }
}

TEST(FailingStream, AStreamFailedBeforeTheCallIsNotRead)
{
    const std::string bytes = hex("92 01 02");
    struct Case
    {
        std::ios::iostate state;
        const char* err;
    };
    for (const Case& c :
         {Case{std::ios::eofbit, "end of buffer."}, Case{std::ios::failbit, "format error."},
          Case{std::ios::badbit, "format error."},
          Case{std::ios::eofbit | std::ios::failbit, "end of buffer."}})
    {
        SCOPED_TRACE("state " + std::to_string(static_cast<int>(c.state)));
        std::istringstream in(bytes);
        in.setstate(c.state);
        std::string err;
        EXPECT_EQ(MsgPack::parse(in, err).type(), MsgPack::NUL);
        EXPECT_EQ(err, c.err);
        EXPECT_TRUE(in.fail());

        std::istringstream extracted(bytes);
        extracted.setstate(c.state);
        MsgPack out("replaced");
        extracted >> out;
        EXPECT_EQ(out.type(), MsgPack::NUL);
        EXPECT_TRUE(extracted.fail());

        // Nothing was taken: once cleared, the same stream gives the whole value.
        in.clear();
        err.clear();
        EXPECT_EQ(MsgPack::parse(in, err).array_items().size(), 2u);
        EXPECT_EQ(err, "");
    }
}
