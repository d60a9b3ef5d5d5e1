#include "ToolProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdlib>

namespace orvtooltest
{

namespace
{

using Clock = std::chrono::steady_clock;

void closeFd(int& fd)
{
    if (fd >= 0)
    {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

ToolProcess::ToolProcess(const std::vector<std::string>& args, const std::string& input)
{
    int inPipe[2];
    int outPipe[2];
    int errPipe[2];
    if (::pipe(inPipe) != 0 || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return;
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0)
    {
#ifdef __linux__
        // Dies with the test, whatever happens to it (elsewhere the destructor's kill must do).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(inPipe[0], STDIN_FILENO);
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        // Nothing else of the test goes along: a socket the test holds (a port it keeps taken)
        // must be freed when the test closes it, not kept by the tool.
        // A test opens a few dozen descriptors at most; the system's limit may be a million.
        for (int fd = STDERR_FILENO + 1; fd < 4096; ++fd)
            ::close(fd);
        std::vector<char*> argv;
        std::string program = ORV_TOOL_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& arg : copies)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
    if (pid_ < 0)
    {
        ::close(inPipe[1]);
        closeFd(outFd_);
        closeFd(errFd_);
        return;
    }
    // The inputs of these tests are far below a pipe's capacity.
    size_t written = 0;
    while (written < input.size())
    {
        const ssize_t n = ::write(inPipe[1], input.data() + written, input.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    ::close(inPipe[1]);
}

ToolProcess::~ToolProcess()
{
    kill();
    closeFd(outFd_);
    closeFd(errFd_);
}

void ToolProcess::pump(int waitMs)
{
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0)
    {
        ::usleep(static_cast<useconds_t>(waitMs) * 1000);
        return;
    }
    if (::poll(fds, 2, waitMs) <= 0)
        return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i)
    {
        if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0)
            (i == 0 ? out_ : err_).append(buffer, static_cast<size_t>(n));
        else
            closeFd(i == 0 ? outFd_ : errFd_);
    }
}

bool ToolProcess::reap(bool block)
{
    if (pid_ <= 0 || exited_)
        return exited_;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (done == pid_)
    {
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return exited_;
}

bool ToolProcess::waitFor(const std::function<bool(const std::string&)>& done, Millis timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!done(out_))
    {
        if (Clock::now() >= deadline)
            return false;
        if (outFd_ < 0 && errFd_ < 0 && reap(false))
            return done(out_);
        pump(20);
    }
    return true;
}

bool ToolProcess::waitForText(const std::string& text, Millis timeout)
{
    return waitFor([&](const std::string& out) { return out.find(text) != std::string::npos; },
                   timeout);
}

bool ToolProcess::running()
{
    pump(0);
    return pid_ > 0 && !reap(false);
}

void ToolProcess::requestStop()
{
    if (pid_ > 0 && !reap(false))
        ::kill(pid_, SIGTERM);
}

int ToolProcess::finish(Millis timeout)
{
    if (pid_ <= 0)
        return -1;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!reap(false) || outFd_ >= 0 || errFd_ >= 0)
    {
        if (Clock::now() >= deadline)
        {
            kill();
            return -1;
        }
        pump(20);
    }
    return status_;
}

void ToolProcess::kill()
{
    if (pid_ > 0 && !reap(false))
    {
        ::kill(pid_, SIGKILL);
        reap(true);
        status_ = -1;
    }
}

ToolRun runTool(const std::vector<std::string>& args, const std::string& input, Millis timeout)
{
    ToolProcess process(args, input);
    ToolRun run;
    run.status = process.finish(timeout);
    run.out = process.out();
    run.err = process.err();
    return run;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> found;
    size_t begin = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', begin))
    {
        found.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return found;
}

} // namespace orvtooltest
