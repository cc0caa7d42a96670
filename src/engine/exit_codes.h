// How the setup program ends, as its exit code. Deployment scripts read it,
// so every way of failing has its own non-zero code (README lists them).
#pragma once

namespace quendel {

enum TSetupExitCode {
  ecGoodInstall = 0,   // installed (or built, or continued after a reboot) completely
  ecBadInstall = 1,    // the run failed; the install record is kept
  ecUserAbort = 2,     // the user cancelled (or refused a question unattended)
  ecRebootPending = 3, // files wait for a restart; the continuation is registered
  ecStartFailed = 4,   // nothing ran: bad command line, damaged definition, no runtime
};

} // namespace quendel
