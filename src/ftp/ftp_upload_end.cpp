// The end of an upload: when its data connection has ended well, the file takes its name only
// if the client is still there. A client killed mid-upload (Ctrl-C, SIGKILL, a crash) has its
// sockets closed by the system one after the other, and the data connection's clean end may
// reach the server before the control connection's; a client that cancels may close the data
// connection before its ABOR arrives. So the connection waits a moment for either.
#include "ftp/ftp_connection.h"

#include "platform/log.h"
#include "platform/run_loop.h"

#include <string_view>

namespace ohmkit::ftp {

void FtpConnection::awaitControlAfterUpload()
{
    awaitingControl_ = true;
    // The data connection has done its part; the transfer stays under way until the decision.
    releaseDataConnection();
    std::weak_ptr<FtpConnection> weak = weak_from_this();
    awaitControlLater_ = loop().defer(
        [weak] {
            if (auto self = weak.lock()) self->concludeAwaitedUpload();
        },
        kControlWaitAfterUpload);
    // A line may be waiting already (a client that sent its next command at once).
    postProcessLines();
}

bool FtpConnection::controlSpokeAfterUpload()
{
    const std::string_view pending = lineBuffer_.pending();
    if (pending.find('\n') == std::string_view::npos && pending.size() <= CommandLineBuffer::kMaxLineLength)
        return false;
    concludeAwaitedUpload();
    return true;
}

void FtpConnection::concludeAwaitedUpload()
{
    if (!awaitingControl_) return;
    auto keep = shared_from_this();
    stopAwaitingControl();
    // The same decision as for any ended data connection: an ABOR now waiting or a client now
    // gone discards the file, anything else lets it take its name.
    concludeTransfer(DataEnd::finished);
    postProcessLines();   // the lines that came meanwhile
}

void FtpConnection::stopAwaitingControl()
{
    awaitingControl_ = false;
    awaitControlLater_ = {};
}

}  // namespace ohmkit::ftp
