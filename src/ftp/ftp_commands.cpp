#include "ftp/ftp_commands.h"

#include "ftp/ftp_connection.h"

#include <algorithm>
#include <cctype>

namespace ohmkit::ftp {

namespace {

using C = FtpConnection;
using A = ArgumentKind;
using P = PathArgument;

constexpr CommandRow kCommands[] = {
    // word  handler       argument   needed  path           upload transfer keepsRest
    {"user", &C::doUser, A::word, true, P::none},
    {"pass", &C::doPass, A::restOfLine, false, P::none},
    {"quit", &C::doQuit, A::none, false, P::none},
    {"stat", &C::doStat, A::none, false, P::none},
    {"feat", &C::doFeat, A::none, false, P::none},
    {"syst", &C::doSyst, A::none, false, P::none},
    {"noop", &C::doNoop, A::none, false, P::none},
    {"type", &C::doType, A::word, true, P::none},
    {"opts", &C::doOpts, A::word, true, P::none},
    {"ack", nullptr, A::none, false, P::none},
    {"pwd", &C::doPwd, A::none, false, P::none},
    {"cwd", &C::doCwd, A::restOfLine, true, P::own},
    {"cdup", &C::doCdUp, A::none, false, P::none},
    {"mkd", &C::doMkdir, A::restOfLine, true, P::itself},
    {"pasv", &C::doPasv, A::none, false, P::none},
    {"epsv", &C::doEpsv, A::none, false, P::none},
    {"port", &C::doPort, A::word, true, P::none},
    {"lprt", &C::doLprt, A::word, true, P::none},
    {"eprt", &C::doEprt, A::word, true, P::none},
    {"list", &C::doList, A::optionsThenPath, false, P::followed, false, true},
    {"nlst", &C::doNlst, A::optionsThenPath, false, P::own, false, true},
    {"mlsd", &C::doMlsd, A::restOfLine, false, P::followed, false, true},
    {"mlst", &C::doMlst, A::restOfLine, false, P::followed},
    {"retr", &C::doRetr, A::restOfLine, true, P::followed, false, true},
    {"stor", &C::doStor, A::restOfLine, true, P::itself, true, true},
    {"appe", &C::doAppe, A::restOfLine, true, P::itself, true, true},
    {"rest", &C::doRest, A::word, true, P::none, false, false, true},
    {"abor", &C::doAbor, A::none, false, P::none},
    {"dele", &C::doDele, A::restOfLine, true, P::itselfNotStore},
    {"rmd", &C::doRmd, A::restOfLine, true, P::itselfNotStore},
    {"size", &C::doSize, A::restOfLine, true, P::followed},
    {"mdtm", &C::doMdtm, A::restOfLine, true, P::followed},
    {"rnfr", &C::doRnfr, A::restOfLine, true, P::itselfNotStore},
    {"rnto", &C::doRnto, A::restOfLine, true, P::itselfNotStore},
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
