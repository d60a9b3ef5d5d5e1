// The built `orv` executable as a child process: arguments in, standard output and error
// collected, every wait bounded. A child still running when its ToolProcess goes (a failed
// assertion, a time-out) is killed and reaped, and it dies with the test process too.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvtooltest
{

using Millis = std::chrono::milliseconds;

class ToolProcess
{
public:
    // Starts orv with `args`; `input` goes to its standard input, which is then closed.
    explicit ToolProcess(const std::vector<std::string>& args, const std::string& input = "");
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // Whether the child has not exited yet (reads what it printed meanwhile).
    bool running();

    // Collects output until `done(standard output)` holds or `timeout` has passed; whether
    // it held.
    bool waitFor(const std::function<bool(const std::string&)>& done, Millis timeout);
    bool waitForText(const std::string& text, Millis timeout);

    // SIGTERM, what Ctrl-C does for the tool.
    void requestStop();
    // SIGKILL, as a crash or `kill -9` ends it, and waits for it to go.
    void kill();
    // Waits for the exit, at most `timeout`, then kills. The exit code, or -1 when the child
    // had to be killed or died of a signal.
    int finish(Millis timeout);

    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

private:
    // Reads whatever the pipes hold, waiting at most `waitMs` for something.
    void pump(int waitMs);
    bool reap(bool block);

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
    bool exited_ = false;
    int status_ = -1;
};

struct ToolRun
{
    int status = -1;
    std::string out;
    std::string err;
};

// Runs orv to the end (killed after `timeout`).
ToolRun runTool(const std::vector<std::string>& args, const std::string& input = "",
                Millis timeout = Millis(20000));

// The complete lines of `text`.
std::vector<std::string> lines(const std::string& text);

} // namespace orvtooltest
