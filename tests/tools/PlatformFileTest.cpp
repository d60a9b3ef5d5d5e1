// The tool's files: opened so that no program it starts inherits them, read whole as bytes,
// and a file that cannot be read says which and why.
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#endif

#include "platform/Platform.h"
#include "platform/WholeFile.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "orv-" + std::to_string(orvtool::processId()) + "-" + name;
}

bool inheritable(std::FILE* file)
{
#ifdef _WIN32
    DWORD flags = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    return GetHandleInformation(handle, &flags) == 0 || (flags & HANDLE_FLAG_INHERIT) != 0;
#else
    const int flags = fcntl(fileno(file), F_GETFD);
    return flags < 0 || (flags & FD_CLOEXEC) == 0;
#endif
}

} // namespace

TEST(PlatformFile, FilesAreNotInheritedAndReadBackByteForByte)
{
    const std::string path = tempPath("bytes.bin");
    const std::string bytes("\x00\r\n\x1a\xff end", 9);
    std::string error;
    std::FILE* out = orvtool::openFile(path, orvtool::FileAccess::Write, error);
    ASSERT_NE(out, nullptr) << error;
    EXPECT_FALSE(inheritable(out));
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
    std::fclose(out);

    std::FILE* in = orvtool::openFile(path, orvtool::FileAccess::Read, error);
    ASSERT_NE(in, nullptr) << error;
    EXPECT_FALSE(inheritable(in));
    std::fclose(in);

    std::string read = "left over";
    ASSERT_TRUE(orvtool::readWholeFile(path, read, error)) << error;
    EXPECT_EQ(read, bytes);
    std::remove(path.c_str());
}

TEST(PlatformFile, AFileThatCannotBeReadSaysWhichAndWhy)
{
    const std::string missing = tempPath("missing.bin");
    std::string bytes;
    std::string error;
    EXPECT_EQ(orvtool::openFile(missing, orvtool::FileAccess::Read, error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(orvtool::readWholeFile(missing, bytes, error));
    EXPECT_EQ(error.rfind("cannot read " + missing + ": ", 0), 0u) << error;
    EXPECT_GT(error.size(), ("cannot read " + missing + ": ").size()) << error;
}
