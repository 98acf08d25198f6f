#include "ftp/ftp_commands.h"

namespace ohmkit::ftp {

const std::map<std::string, std::string>& commandTable()
{
    static const std::map<std::string, std::string> table = {
        {"rnto", "doRnto:"}, {"list", "doList:"}, {"pwd", "doPwd:"},
        {"lprt", "doLprt:"}, {"ack", "doAck:"},   {"rmd", "doDele:"},
        {"cdup", "doCdUp:"}, {"stat", "doStat:"}, {"nlst", "doNlst:"},
        {"pass", "doPass:"}, {"user", "doUser:"}, {"rnfr", "doRnfr:"},
        {"epsv", "doEpsv:"}, {"pasv", "doPasv:"}, {"retr", "doRetr:"},
        {"quit", "doQuit:"}, {"stor", "doStor:"}, {"mlst", "doMlst:"},
        {"type", "doType:"}, {"dele", "doDele:"}, {"eprt", "doEprt:"},
        {"syst", "doSyst:"}, {"size", "doSize:"}, {"mkd", "doMkdir:"},
        {"noop", "doNoop:"}, {"cwd", "doCwd:"},
        {"feat", "doFeat:"}, {"port", "doPort:"},
        {"opts", "doOpts:"}, {"abor", "doAbor:"},
        {"appe", "doAppe:"}, {"rest", "doRest:"}, {"mdtm", "doMdtm:"}, {"mlsd", "doMlsd:"},
    };
    return table;
}

}  // namespace ohmkit::ftp
