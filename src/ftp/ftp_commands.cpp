#include "ftp/ftp_commands.h"

#include "ftp/ftp_connection.h"

#include <algorithm>
#include <cctype>

namespace ohmkit::ftp {

namespace {

using C = FtpConnection;
using P = PathArgument;

constexpr CommandRow kCommands[] = {
    // word    handler      argument  path          upload
    {"user", &C::doUser, true, P::none},
    {"pass", &C::doPass, false, P::none},
    {"quit", &C::doQuit, false, P::none},
    {"stat", &C::doStat, false, P::none},
    {"feat", &C::doFeat, false, P::none},
    {"syst", &C::doSyst, false, P::none},
    {"noop", &C::doNoop, false, P::none},
    {"type", &C::doType, true, P::none},
    {"opts", &C::doOpts, true, P::none},
    {"ack", nullptr, false, P::none},
    {"pwd", &C::doPwd, false, P::none},
    {"cwd", &C::doCwd, true, P::none},        // confined by its own rule
    {"cdup", &C::doCdUp, false, P::none},
    {"mkd", &C::doMkdir, true, P::itself},
    {"pasv", &C::doPasv, false, P::none},
    {"epsv", &C::doEpsv, false, P::none},
    {"port", &C::doPort, true, P::none},
    {"lprt", &C::doLprt, true, P::none},
    {"eprt", &C::doEprt, true, P::none},
    {"list", &C::doList, false, P::followed},
    {"nlst", &C::doNlst, false, P::none},     // a wildcard may end its argument
    {"mlsd", &C::doMlsd, false, P::followed},
    {"mlst", &C::doMlst, false, P::followed},
    {"retr", &C::doRetr, true, P::followed},
    {"stor", &C::doStor, true, P::itself, true},
    {"appe", &C::doAppe, true, P::itself, true},
    {"rest", &C::doRest, true, P::none},
    {"abor", &C::doAbor, false, P::none},
    {"dele", &C::doDele, true, P::itselfNotStore},
    {"rmd", &C::doDele, true, P::itselfNotStore},
    {"size", &C::doSize, true, P::followed},
    {"mdtm", &C::doMdtm, true, P::followed},
    {"rnfr", &C::doRnfr, true, P::itselfNotStore},
    {"rnto", &C::doRnto, true, P::itselfNotStore},
};

}  // namespace

std::span<const CommandRow> commandTable() { return kCommands; }

const CommandRow* findCommand(std::string_view word)
{
    std::string lower(word);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                  [&](const CommandRow& r) { return r.word == lower; });
    return row == std::end(kCommands) ? nullptr : row;
}

}  // namespace ohmkit::ftp
